#include <gtest/gtest.h>

#include "DialogHarness.h"
#include "commands/Editions.h"
#include "platform/Files.h"
#include "res/resource.h"

namespace {
const int kModeButtons[5] = {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_4, IDC_KEY_5};

KeyDescription WithIdentity(const std::string& identity) {
    KeyDescription d;
    d.identity = identity;
    return d;
}

std::vector<bool> Visible(DialogHarness& h) {
    std::vector<bool> v;
    for (int id : kModeButtons) v.push_back(h.view.Control(id).visible);
    return v;
}
}  // namespace

TEST(Editions, LastMatchingFirmwareCodeWinsButNeverAtTheStart) {
    EXPECT_EQ(EditionFromIdentity("ID FW-2100 FW-2200").edition, KeyEdition::OvaExpert);
    EXPECT_EQ(EditionFromIdentity("FW-2130 only").edition, KeyEdition::None);
    EXPECT_EQ(EditionFromIdentity("x FW-2102").name, "RVT Police");
    EXPECT_EQ(EditionFromIdentity("x FW-2171").name, "OVA Werkstatt");
    EXPECT_EQ(EditionFromIdentity("x FW-2230").name, "OVA Expert");
    EXPECT_EQ(EditionFromIdentity("x FW-2199").name, "");
    EXPECT_EQ(TitleForEdition("RVT - MERO - OVA [ 1 ]", KeyEdition::RvtPolice), "RVT - MERO - RVT [ 1 ]");
    EXPECT_EQ(TitleForEdition("RVT - MERO - OVA [ 1 ]", KeyEdition::OvaWerkstatt), "OVA - MERO - OVA [ 1 ]");
    EXPECT_EQ(TitleForEdition("RVT - OVA", KeyEdition::None), "RVT - OVA");
}

TEST(PrepareKey, EditionsOfferTheirModes) {
    struct Case {
        std::string firmware;
        std::vector<bool> visible;
        std::string title;
        std::string edition;
    } cases[] = {
        {"FW-2100", {true, true, true, true, false}, "MERO - RVT [ 1.0.0.8 ]", "RVT Police"},
        {"FW-2131", {true, true, true, true, true}, "MERO - OVA [ 1.0.0.8 ]", "OVA Transport"},
        {"FW-2170", {true, true, true, false, false}, "MERO - OVA [ 1.0.0.8 ]", "OVA Werkstatt"},
        {"FW-2230", {true, true, true, true, true}, "MERO - OVA [ 1.0.0.8 ]", "OVA Expert"},
        {"FW-1999", {false, false, false, false, false}, "MERO - OVA [ 1.0.0.8 ]", ""},
    };
    for (const Case& c : cases) {
        const std::string identity = "VANTIK-ID:WX12345678 " + c.firmware;
        DialogHarness h(WithIdentity(identity));
        h.Start();
        h.Click(IDC_PREPARE_KEY);
        EXPECT_EQ(Visible(h), c.visible) << c.firmware;
        EXPECT_EQ(h.view.GetTitle(), c.title) << c.firmware;
        EXPECT_EQ(h.view.GetText(IDC_SERIAL), "SN: " + identity + "\r\n( " + c.edition + " )");
    }
}

TEST(PrepareKey, CaptionsAreExact) {
    DialogHarness h(WithIdentity("VANTIK-ID:WB12345678 FW-2131"));
    h.Start();
    h.Click(IDC_PREPARE_KEY);
    EXPECT_EQ(h.view.GetText(IDC_KEY_1), "Fahrzeugeinheit (nur 92 Tage) + Fahrerkarte (Standrad)");
    EXPECT_EQ(h.view.GetText(IDC_KEY_4), "Fahrzeugeinheit (nur 7 Tage) ");
    EXPECT_EQ(h.view.GetText(IDC_KEY_5), "Fahrzeugeinheit (aktueller +  1 Tag)");
    EXPECT_EQ(h.view.GetText(IDC_KEY_TO_PC), "RVT-Daten -> PC");
}

TEST(PrepareKey, EmptyKeyOffersTheModesOnly) {
    DialogHarness h(WithIdentity("VANTIK-ID:WB12345678 FW-2131"));
    h.Start();
    h.dialog->OnTimer(kStartupTimer);
    for (int id : kModeButtons) EXPECT_TRUE(h.view.Control(id).enabled) << id;
    EXPECT_TRUE(h.view.Control(IDC_KEY_1).checked);
    EXPECT_FALSE(h.view.Control(IDC_KEY_TO_PC).checked);
    EXPECT_FALSE(h.view.Control(IDC_KEY_TO_PC).enabled);
    EXPECT_FALSE(h.view.Control(IDC_DELETE_AFTER).enabled);
    EXPECT_EQ(h.dialog->SelectedMode(), 0);
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download 0 - 0");
    EXPECT_TRUE(h.view.Control(IDC_START).enabled);
    EXPECT_EQ(h.view.GetText(IDC_START), "Download starten");
    EXPECT_EQ(h.system.Sleeps(), std::vector<int>{1000});
    EXPECT_EQ(h.key->Calls("KeyReset"), 1);
    EXPECT_EQ(h.view.WaitCursorDepth(), 0);
}

TEST(PrepareKey, KeyWithFilesOffersTheCopyOnly) {
    DialogHarness h(WithIdentity("VANTIK-ID:WB12345678 FW-2131"));
    for (int i = 0; i < 130; ++i) WriteFile(h.KeyFile("F" + std::to_string(1000 + i)), "x");
    h.Start();
    h.dialog->OnTimer(kStartupTimer);
    for (int id : kModeButtons) EXPECT_FALSE(h.view.Control(id).enabled) << id;
    EXPECT_TRUE(h.view.Control(IDC_KEY_TO_PC).enabled);
    EXPECT_TRUE(h.view.Control(IDC_KEY_TO_PC).checked);
    EXPECT_TRUE(h.view.Control(IDC_DELETE_AFTER).enabled);
    EXPECT_EQ(h.dialog->SelectedMode(), kModeKeyToPc);
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download 0 - 128");
    EXPECT_EQ(h.Log(), "\r\nEs wurden 128 File(s) gefunden!");  // preparation adds no count line
}

TEST(PrepareKey, MissingLibrariesAreReportedAndTheKeyUntouched) {
    for (const char* missing : {"VantikDll.dll", "ftd2xx.dll"}) {
        DialogHarness h;
        WriteFile(h.KeyFile("A.DDD"), "abc");
        DeleteFileAt(h.programFolder + missing);
        h.Start();
        const int reads = h.key->Calls("KeyReadDirectory");
        h.Click(IDC_PREPARE_KEY);
        EXPECT_EQ(h.Log(), std::string("\r\nEs wurden 1 File(s) gefunden!\r\n") + missing + " fehlt");
        EXPECT_EQ(h.key->Calls("KeyIdentify"), 0);
        EXPECT_EQ(h.key->Calls("KeyReadDirectory"), reads);
        EXPECT_EQ(h.dialog->Files().size(), 1u);
        EXPECT_TRUE(h.view.Control(IDC_PREPARE_KEY).enabled);
    }
}

TEST(PrepareKey, UnloadableLibraryCountsAsMissing) {
    DialogHarness h;
    h.Start();
    h.source.key = nullptr;
    h.Click(IDC_PREPARE_KEY);
    EXPECT_EQ(h.Log(), "\r\nEs wurden 0 File(s) gefunden!\r\nVantikDll.dll fehlt");
}

TEST(PrepareKey, UnidentifiedKeyStillListsItsFiles) {
    KeyDescription d;
    d.identifyFailures = -1;
    DialogHarness h(d);
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start();
    h.Click(IDC_PREPARE_KEY);
    EXPECT_EQ(h.view.GetText(IDC_SERIAL), "SN: ");
    EXPECT_EQ(Visible(h), std::vector<bool>(5, false));
    EXPECT_EQ(h.key->Calls("KeyReset"), 0);
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download 0 - 1");
    EXPECT_EQ(h.view.GetTitle(), "MERO - OVA [ 1.0.0.8 ]");
}

TEST(PrepareKey, FailedDirectoryReadKeepsOldRowsAndTheStartButton) {
    KeyDescription d;
    d.directoryReadsBeforeFailure = 2;
    DialogHarness h(d);
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start();
    h.Click(IDC_PREPARE_KEY);
    h.view.Enable(IDC_START, false);
    h.Click(IDC_PREPARE_KEY);
    EXPECT_TRUE(h.dialog->Files().empty());
    EXPECT_EQ(h.view.RowTexts(IDC_FILE_LIST), std::vector<std::string>{"A.DDD ( 3 )"});
    EXPECT_FALSE(h.view.Control(IDC_START).enabled);
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download 0 - 0");
}

TEST(PrepareKey, KeepsTheCommandLinesNodelete) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start(h.output + " t x x nodelete");
    h.Click(IDC_PREPARE_KEY);
    EXPECT_FALSE(h.view.Control(IDC_DELETE_AFTER).checked);
    EXPECT_TRUE(h.view.Control(IDC_DELETE_AFTER).enabled);
}

TEST(ModeSelection, ClicksFollowTheGroupOrder) {
    DialogHarness h(WithIdentity("VANTIK-ID:WB12345678 FW-2131"));
    h.Start();
    h.Click(IDC_PREPARE_KEY);
    const std::pair<int, int> clicks[] = {{IDC_KEY_1_2, 2}, {IDC_KEY_4, 4}, {IDC_KEY_5, 5}, {IDC_KEY_2, 1},
                                          {IDC_KEY_TO_PC, 3}, {IDC_KEY_1, 0}};
    for (auto [button, value] : clicks) {
        h.view.Enable(IDC_START, false);
        for (int id : {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_TO_PC, IDC_KEY_4, IDC_KEY_5})
            h.view.SetCheck(id, id == button);
        h.Click(button);
        EXPECT_EQ(h.dialog->SelectedMode(), value) << button;
        EXPECT_TRUE(h.view.Control(IDC_START).enabled);
        EXPECT_EQ(h.view.GetText(IDC_START), "Download starten");
    }
}

TEST(ModeSelection, BaudRateTexts) {
    DialogHarness h;
    h.Start();
    const std::pair<const char*, int> cases[] = {{"", 0},        {"0|Auto", 0},  {"3|38400", 3}, {"6|Unknown", 6},
                                                 {"38400", 0},   {"|3", 0},      {"x|3", 0},     {"9|x", 9},
                                                 {" 4 |y", 4},   {"-2|z", -2},   {"99999999999|", 0}};
    for (auto [text, index] : cases) {
        h.view.SetText(IDC_BAUD_RATE, text);
        EXPECT_EQ(h.dialog->ReadBaudRateChoice(), index) << text;
    }
}
