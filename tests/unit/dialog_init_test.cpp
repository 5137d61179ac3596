#include <gtest/gtest.h>

#include "DialogHarness.h"
#include "app/FolderChain.h"
#include "platform/Files.h"
#include "res/resource.h"

TEST(OutputFolder, FromTheRegistryDataRoot) {
    struct Case {
        std::optional<std::string> dataPath;
        std::string folder;
    } cases[] = {
        {std::string("D:\\Daten"), "D:\\Daten\\Daten\\Container\\KVR\\"},
        {std::string("D:\\Daten\\"), "D:\\Daten\\\\Daten\\Container\\KVR\\"},
        {std::nullopt, "C:\\MERO\\Daten\\Container\\KVR\\"},
    };
    for (const Case& c : cases) {
        DialogHarness h;
        h.system.dataPath = c.dataPath;
        h.Start(" ");
        EXPECT_EQ(h.dialog->OutputFolder(), c.folder);
        EXPECT_EQ(h.view.GetText(IDC_OUTPUT_LABEL), "Ausgabe: " + c.folder);
        EXPECT_TRUE(IsFolder(c.folder)) << "created: " << c.folder;
    }
}

TEST(OutputFolder, FromParameterOneWithTrailingBackslash) {
    for (const std::string& given : {std::string("E:\\Export"), std::string("E:\\Export\\")}) {
        DialogHarness h;
        h.system.dataPath = std::string("D:\\Unused");
        h.Start(given + " title");
        EXPECT_EQ(h.dialog->OutputFolder(), "E:\\Export\\");
    }
}

TEST(BackupFolder, CreatedShownAndRefusedWhenItIsTheOutputFolder) {
    struct Case {
        const char* why;
        std::string backup;  // below the temporary folder; "" for a switch with only blanks after it
        const char* problem;
    } cases[] = {
        // Made all the same; these tests' folders share one volume.
        {"a new folder chain", "S\\deep\\", "\r\nSicherungsordner liegt auf dem Datentr\xE4ger des Ausgabeordners: "},
        {"the output folder by another name", "out\\.", "\r\nSicherungsordner ist der Ausgabeordner: "},
        {"a file in the way", "blocker\\sub", "\r\nSicherungsordner fehlt: "},
        {"nothing after the switch", "", "\r\nSicherungsordner fehlt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        DialogHarness h;
        WriteFile(h.temp / "blocker", "a file where a folder should be");
        const std::string given = c.backup.empty() ? "  " : h.temp / c.backup;
        const std::string backup = c.backup.empty() ? "" : given + (c.backup.back() == '\\' ? "" : "\\");
        h.Start("\"" + h.output + "\" t normal x x \"/Backup:" + given + "\"");
        EXPECT_EQ(h.dialog->BackupFolder(), backup);
        EXPECT_EQ(h.view.GetText(IDC_OUTPUT_LABEL), "Ausgabe: " + h.output + "  Sicherung: " + backup);
        const std::string log = h.Log();
        EXPECT_EQ(log.substr(0, log.find("\r\nEs wurden")), c.problem + backup);
        EXPECT_EQ(h.system.foldersInUse.size(), c.backup.empty() ? 1u : 2u);
    }
}

TEST(OutputFolder, UncreatableFolderIsNoErrorAtStart) {
    DialogHarness h;
    WriteFile(h.temp / "blocker", "a file where a folder should be");
    h.Start(h.temp / "blocker\\sub");
    EXPECT_EQ(h.dialog->OutputFolder(), h.temp / "blocker\\sub\\");
    EXPECT_FALSE(IsFolder(h.dialog->OutputFolder()));
    EXPECT_EQ(h.Log(), "\r\nEs wurden 0 File(s) gefunden!");
}

TEST(FolderChain, CreatesEveryFolderAlongThePath) {
    std::vector<std::string> made;
    CreateFolderChain("C:\\MERO\\Daten\\Container\\KVR\\", [&](const std::string& f) { made.push_back(f); });
    EXPECT_EQ(made, (std::vector<std::string>{"C:", "C:\\MERO", "C:\\MERO\\Daten", "C:\\MERO\\Daten\\Container",
                                              "C:\\MERO\\Daten\\Container\\KVR",
                                              "C:\\MERO\\Daten\\Container\\KVR\\"}));
    made.clear();
    CreateFolderChain("\\\\server\\share\\KVR\\", [&](const std::string& f) { made.push_back(f); });
    EXPECT_EQ(made, (std::vector<std::string>{"\\\\server\\share\\KVR", "\\\\server\\share\\KVR\\"}));
}

TEST(WindowTitle, ComposedFromParameterTwoCaptionAndVersion) {
    DialogHarness plain;
    plain.Start();
    EXPECT_EQ(plain.view.GetTitle(), "MERO - OVA [ 1.0.0.8 ]");

    DialogHarness titled;
    titled.Start(titled.output + " \"Lkw 12\"");
    EXPECT_EQ(titled.view.GetTitle(), "Lkw 12 - MERO - OVA [ 1.0.0.8 ]");

    DialogHarness noVersion;
    noVersion.system.program = ProgramInfo{};
    noVersion.Start();
    EXPECT_EQ(noVersion.view.GetTitle(), "MERO - OVA [  ]");
    EXPECT_EQ(noVersion.dialog->KeyLibraryPath(), "VantikDll.dll");
}

TEST(CompactLayout, ShorterByOneHundredPixelsAndCentred) {
    DialogHarness compact;
    compact.view.window = Rect{10, 20, 10 + 481, 20 + 401};
    compact.Start(compact.output + " t mini");
    EXPECT_EQ(compact.view.window, (Rect{271, 233, 271 + 481, 233 + 301}));  // (768 - 301) / 2 truncates
    for (int id : {IDC_PREPARE_KEY, IDC_STATUS_LOG, IDC_CLEAR_DISPLAY, IDC_CANCEL, IDC_OUTPUT_LABEL})
        EXPECT_FALSE(compact.view.Control(id).visible) << id;

    DialogHarness normal;
    const Rect before = normal.view.window;
    normal.Start();
    EXPECT_EQ(normal.view.window, before);
}

TEST(Initialisation, EveryControlAsTheUserFindsIt) {
    DialogHarness h;
    h.Start();
    RecordingView& v = h.view;
    for (int id : {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_4, IDC_KEY_5}) {
        EXPECT_FALSE(v.Control(id).visible) << id;
        EXPECT_FALSE(v.Control(id).enabled) << id;
    }
    EXPECT_TRUE(v.Control(IDC_KEY_TO_PC).checked);
    EXPECT_FALSE(v.Control(IDC_KEY_TO_PC).enabled);
    EXPECT_EQ(h.dialog->SelectedMode(), -1);
    for (int id : {IDC_INIT_KEY, IDC_DIRECTORY, IDC_DELETE_FILES, IDC_TEST, IDC_FILE_LIST, IDC_DELETE_AFTER})
        EXPECT_FALSE(v.Control(id).enabled) << id;
    for (int id : {IDC_TEST, IDC_BAUD_RATE, IDC_DELETE_AFTER}) EXPECT_FALSE(v.Control(id).visible) << id;
    EXPECT_TRUE(v.Control(IDC_DELETE_AFTER).checked);
    EXPECT_FALSE(v.Control(IDC_PREPARE_KEY).enabled);  // until key preparation has run
    EXPECT_TRUE(v.Control(IDC_START).enabled);
    EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kSilver);
    EXPECT_EQ(v.GetText(IDC_COUNTER), "Download 0 - 0");
    EXPECT_EQ(v.GetText(IDC_SERIAL), "SN: ");
    EXPECT_EQ(v.GetText(IDC_BAUD_RATE), "");
    EXPECT_EQ(v.Control(IDC_BAUD_RATE).items,
              (std::vector<std::string>{"0|Auto", "1|9600", "2|19200", "3|38400", "4|57600", "5|115200", "6|Unknown"}));
    EXPECT_EQ(v.TimerPeriod(kStartupTimer), 200);
    EXPECT_FALSE(v.TimerArmed(kTimeLimitTimer));
    EXPECT_EQ(h.Log(), "\r\nEs wurden 0 File(s) gefunden!");
}

TEST(Initialisation, NodeleteShowsInTheHiddenCheckBox) {
    DialogHarness h;
    h.Start(h.output + " t x /Min:1 nodelete");
    EXPECT_FALSE(h.view.Control(IDC_DELETE_AFTER).checked);
    EXPECT_FALSE(h.dialog->DeleteAfterDownload());
    EXPECT_EQ(h.dialog->TimeLimit(), 60000);
    EXPECT_FALSE(h.dialog->CompactMode());
}

TEST(Initialisation, StartupTimerRunsKeyPreparationOnce) {
    DialogHarness h;
    h.Start();
    h.dialog->OnTimer(kStartupTimer);
    EXPECT_FALSE(h.view.TimerArmed(kStartupTimer));
    EXPECT_EQ(h.key->Calls("KeyIdentify"), 1);
    EXPECT_TRUE(h.view.Control(IDC_PREPARE_KEY).enabled);
}

TEST(Closing, CancelStopsTheTimeLimitAndEndsTheDialog) {
    DialogHarness h;
    h.Start();
    h.view.SetTimer(kTimeLimitTimer, 1000);
    h.Click(IDC_CANCEL);
    EXPECT_FALSE(h.view.TimerArmed(kTimeLimitTimer));
    EXPECT_TRUE(h.view.Ended());
}

// Where "/Log:" puts the run log: a full path, a folder for the month's file,
// never in or below a folder that calling programs import from.
TEST(RunLog, SwitchResolvedAtStartAndRefusedWhereImportersLook) {
    const std::string month = "KeyDownload_2021-03.log", fallback = "root\\Daten\\Protokoll\\" + month;
    const char* const refusedImported = "\r\n/Log: abgelehnt (liegt im Ausgabe- oder Sicherungsordner): ";
    struct Case {
        const char* why;
        std::string given;  // below the temporary folder, unless relative
        std::string lands;  // below the temporary folder; "" nowhere
        std::string says;   // a status line, then the given path
        std::string output = "out";
    } cases[] = {
        {"a file", "logs\\run.log", "logs\\run.log", ""},
        {"a folder named with its backslash", "logs\\", "logs\\" + month, ""},
        {"a folder that exists", "bak\\..\\here", "here\\" + month, ""},
        {"dots that leave the output folder", "out\\..\\logs\\run.log", "logs\\run.log", ""},
        {"a relative path", "lauf.log", fallback, "\r\n/Log: abgelehnt (kein vollst\xE4ndiger Pfad): "},
        {"in the output folder", "out\\run.log", fallback, refusedImported},
        {"below the output folder", "out\\sub\\run.log", fallback, refusedImported},
        {"the output folder itself", "out", fallback, refusedImported},
        {"in the backup folder", "bak\\run.log", fallback, refusedImported},
        {"no switch, the data root's log below the output folder", "", "",
         "\r\nProtokoll nicht geschrieben: ", "root"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        DialogHarness h;
        h.system.dataPath = h.temp / "root";
        CreateFolder(h.temp / "here");
        const std::string given = c.given.empty() || c.given == "lauf.log" ? c.given : h.temp / c.given;
        h.Start("\"" + h.temp / c.output + "\" t normal x x \"/Backup:" + h.temp / "bak" + "\"" +
                (given.empty() ? "" : " \"/Log:" + given + "\""));
        h.dialog->OnTimer(kStartupTimer);  // the preparation's line
        const std::string log = h.Log();
        const size_t said = c.says.empty() ? log.find("Protokoll") : log.find(c.says + given);
        EXPECT_EQ(said == std::string::npos, c.says.empty()) << log;
        if (!c.lands.empty()) {
            EXPECT_NE(ReadFile(h.temp / c.lands).find("Key vorbereiten"), std::string::npos);
        }
        for (const std::string& folder : {h.temp / "out\\", h.temp / "out\\sub\\", h.temp / "bak\\"})
            for (const std::string& name : ListFolder(folder)) EXPECT_FALSE(name.size() > 4 && name.substr(name.size() - 4) == ".log") << name;
    }
}

// A run's start line is written at once; its block, with the same moment in
// its heading, when it ends.
TEST(RunLog, StartLineAtOnceBlockAtTheEnd) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "a");
    h.Start("\"" + h.output + "\" \"/Log:" + h.temp / "run.log" + "\"");
    h.dialog->OnTimer(kStartupTimer);
    std::string during;
    h.key->OnRead([&](int) { during = ReadFile(h.temp / "run.log"); });
    h.Click(IDC_START);
    h.WaitForWorker();
    const std::string start = "2021-03-03 14:05:09  Start: MERORVS.exe 1.0.0.8, PC ";
    EXPECT_NE(during.find(start), std::string::npos) << during;
    EXPECT_EQ(during.find("=== "), std::string::npos);
    const std::string log = ReadFile(h.temp / "run.log");
    EXPECT_LT(log.find(start), log.find("\r\n=== 2021-03-03 14:05:09  MERORVS.exe 1.0.0.8\r\n"));
}

// The key is one device: a second instance touches neither key nor folders.
TEST(SecondStart, TouchesNeitherKeyNorFoldersAndSaysSo) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "a");
    h.system.dataPath = h.temp / "root";
    h.system.secondStart = true;
    h.Start("\"" + h.temp / "new" + "\" t mini /Min:5 \"/Backup:" + h.temp / "bak" + "\"");
    EXPECT_TRUE(h.view.Ended());
    EXPECT_FALSE(h.view.TimerArmed(kStartupTimer));
    EXPECT_EQ(h.dialog->RunOutcome(), kExitNoDownload);
    EXPECT_EQ(h.system.shownFirstInstance, 1);
    for (const char* call : {"KeyIdentify", "KeyReadDirectory", "KeyReset", "KeyOpen"}) EXPECT_EQ(h.key->Calls(call), 0) << call;
    EXPECT_FALSE(PathExists(h.temp / "new"));
    EXPECT_FALSE(PathExists(h.temp / "bak"));
    EXPECT_TRUE(h.system.foldersInUse.empty());
    const std::string log = ReadFile(h.temp / "root\\Daten\\Protokoll\\KeyDownload_2021-03.log");
    EXPECT_NE(log.find("  zweiter Start: MERORVS.exe l\xE4uft bereits, PC "), std::string::npos) << log;
}
