#include <gtest/gtest.h>

#include "DialogHarness.h"
#include "commands/VersionLine.h"
#include "platform/Files.h"
#include "res/resource.h"

TEST(VersionLine, PartsBetweenTheMarkers) {
    EXPECT_EQ(VersionLine("x version: 2.1 build: 37 (QRM)"), " 2.1 \r\n\t37");
    EXPECT_EQ(VersionLine("no markers at all"), "\r\n\t");
    EXPECT_EQ(VersionLine("build: 5 (QRM) version: 9"), "\r\n\t5");
    EXPECT_EQ(VersionLine(""), "\r\n\t");
}

TEST(InitKey, KeyAnsweringAtTheThirdAttempt) {
    KeyDescription d;
    d.identifyFailures = 2;
    d.identity = "VANTIK-ID:WB12345678 FW-2131";
    DialogHarness h(d);
    h.Start();
    h.Click(IDC_CLEAR_DISPLAY);
    h.Click(IDC_INIT_KEY);
    EXPECT_EQ(h.Log(), "\r\nDLL Vers:  2.1 \r\n\t37\r\nVANTIK-ID:WB12345678 FW-2131\r\nKey Found");
    EXPECT_EQ(h.system.Sleeps(), (std::vector<int>{100, 100}));
    EXPECT_EQ(h.key->Calls("KeyGetDllVersion"), 3);
}

TEST(InitKey, KeyThatNeverAnswers) {
    KeyDescription d;
    d.identifyFailures = -1;
    d.version = "garbled";
    DialogHarness h(d);
    h.Start();
    h.Click(IDC_CLEAR_DISPLAY);
    h.Click(IDC_INIT_KEY);
    EXPECT_EQ(h.Log(), "\r\nDLL Vers: \r\n\t\r\nKey Not Found");
    EXPECT_EQ(h.system.Sleeps(), std::vector<int>(5, 100));
}

TEST(InitKey, MissingDriverLibrary) {
    DialogHarness h;
    DeleteFileAt(h.programFolder + "ftd2xx.dll");
    h.Start();
    h.Click(IDC_CLEAR_DISPLAY);
    h.Click(IDC_INIT_KEY);
    EXPECT_EQ(h.Log(), "\r\nftd2xx.dll fehlt");
    EXPECT_EQ(h.key->Calls("KeyIdentify"), 0);
}

TEST(DeleteSelectedKeyFiles, TheSelectedRowsFileGoesWhateverTheSortOrder) {
    KeyDescription d;
    d.order = {"B.DDD", "A.DDD"};
    DialogHarness h(d);
    WriteFile(h.KeyFile("A.DDD"), "a");
    WriteFile(h.KeyFile("B.DDD"), "b");
    h.Start();
    h.view.SelectRowAt(IDC_FILE_LIST, 0, true);  // the row "A.DDD ( 1 )"
    h.Click(IDC_DELETE_FILES);
    EXPECT_EQ(h.key->Files(), (std::vector<std::string>{"B.DDD", "MERO.ini"}));
    EXPECT_EQ(h.Log(),
              "\r\nEs wurden 2 File(s) gefunden!\r\nEs wurde(n) 1 File(s) gel\xF6scht\r\nEs wurden 1 File(s) gefunden!");
    for (const KeyFileEntry& e : h.dialog->Files()) EXPECT_FALSE(e.selected);
}

TEST(DeleteSelectedKeyFiles, AtMostNinetyNineAndExactNames) {
    DialogHarness h;
    for (int i = 0; i < 120; ++i) WriteFile(h.KeyFile("F" + std::to_string(100 + i) + ".DDD"), "x");
    WriteFile(h.KeyFile("A_VERY_LONG_NAME_FOR_A_FILE.DDD"), "x");
    WriteFile(h.KeyFile("S.DDD"), "x");
    WriteFile(h.KeyFile("S.DDDG_NAME_FOR_A_FILE.DDD"), "x");  // what a stale buffer would name
    h.Start();
    // Rows sort as A_VERY... (0), F100-F219 (1-120), S.DDD (121), S.DDDG... (122). Selected: 0-97, 121 and
    // 122; the first 99 go, so the long name and then the short one are deleted, and S.DDDG... stays.
    for (size_t row : {121, 122}) h.view.SelectRowAt(IDC_FILE_LIST, row, true);
    for (size_t row = 0; row < 98; ++row) h.view.SelectRowAt(IDC_FILE_LIST, row, true);
    h.Click(IDC_DELETE_FILES);
    EXPECT_EQ(h.key->Calls("KeyDeleteFile"), 99);
    EXPECT_NE(h.Log().find("Es wurde(n) 99 File(s) gel\xF6scht"), std::string::npos);
    const std::vector<std::string> left = h.key->Files();
    EXPECT_EQ(left.size(), 124u - 99u);
    for (const char* gone : {"A_VERY_LONG_NAME_FOR_A_FILE.DDD", "S.DDD"})
        EXPECT_EQ(std::count(left.begin(), left.end(), gone), 0) << gone;
    EXPECT_EQ(std::count(left.begin(), left.end(), "S.DDDG_NAME_FOR_A_FILE.DDD"), 1);
}

TEST(DeleteSelectedKeyFiles, NothingSelectedStillOpensAndRelists) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "a");
    h.Start();
    h.Click(IDC_DELETE_FILES);
    EXPECT_EQ(h.key->Calls("KeyOpen"), 1);
    EXPECT_EQ(h.key->Calls("KeyClose"), 1);
    EXPECT_EQ(h.Log(), "\r\nEs wurden 1 File(s) gefunden!\r\nEs wurde(n) 0 File(s) gel\xF6scht\r\nEs wurden 1 File(s) gefunden!");
}

TEST(DeleteSelectedKeyFiles, NodeleteForbidsIt) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "a");
    h.Start(h.output + " t x x nodelete");
    h.view.SelectRowAt(IDC_FILE_LIST, 0, true);
    h.Click(IDC_DELETE_FILES);
    EXPECT_EQ(h.key->Calls("KeyOpen"), 0);
    EXPECT_EQ(h.Log(), "\r\nEs wurden 1 File(s) gefunden!");
}

TEST(FormatKey, WritesTheProgramFoldersParameterFileBack) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "a");
    h.Start("\"" + h.output + "\" \"/Log:" + h.temp / "run.log" + "\"");
    h.Click(IDC_FORMAT);
    EXPECT_EQ(h.key->Files(), std::vector<std::string>{"MERO.ini"});
    EXPECT_EQ(ReadFile(h.KeyFile("MERO.ini")), ReadFile(h.programFolder + "MERO.ini"));
    EXPECT_EQ(h.Log(), "\r\nEs wurden 1 File(s) gefunden!\r\nKey formated\r\nEs wurden 0 File(s) gefunden!");
    EXPECT_EQ(h.key->Violations(), 0);
    // The run log keeps one line of it: when the key was formatted, and the answer.
    const std::string log = ReadFile(h.temp / "run.log");
    EXPECT_EQ(log.substr(log.find("  ")), "  Key formatieren: Key formated\r\n");
}

TEST(FormatKey, RefusedWithoutTheProgramFoldersParameterFile) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "a");
    DeleteFileAt(h.programFolder + "MERO.ini");
    h.Start();
    h.Click(IDC_FORMAT);
    EXPECT_EQ(h.key->Calls("KeyFormat"), 0);
    EXPECT_EQ(h.key->Files(), (std::vector<std::string>{"A.DDD", "MERO.ini"}));
    EXPECT_NE(h.Log().find("Key nicht formatiert"), std::string::npos);
}

TEST(FormatKey, WithoutAKey) {
    KeyDescription d;
    d.identifyFailures = -1;
    DialogHarness h(d);
    h.Start();
    h.Click(IDC_FORMAT);
    EXPECT_EQ(h.Log(), "\r\nEs wurden 0 File(s) gefunden!\r\nKey not found\r\nEs wurden 0 File(s) gefunden!");
    EXPECT_EQ(h.key->Calls("KeyOpen"), 0);
}

TEST(KeyCommands, NameTheMissingDriverLibraryEvenWhenTheKeyLibraryCannotLoadWithoutIt) {
    for (int command : {IDC_PREPARE_KEY, IDC_INIT_KEY, IDC_FORMAT, IDC_DELETE_FILES}) {
        DialogHarness h;
        h.Start();
        DeleteFileAt(h.programFolder + "ftd2xx.dll");
        h.source.key = nullptr;  // the vendor's library fails to load without its driver library
        h.Click(command);
        EXPECT_NE(h.Log().find("\r\nftd2xx.dll fehlt"), std::string::npos) << command;
        EXPECT_EQ(h.Log().find("VantikDll.dll"), std::string::npos) << command;
    }
}

TEST(DeleteSelectedKeyFiles, SaysSoWithoutALoadableLibrary) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "x");
    h.Start();
    h.view.SelectRowAt(IDC_FILE_LIST, 0, true);
    h.source.key = nullptr;
    h.Click(IDC_DELETE_FILES);
    EXPECT_EQ(h.Log(), "\r\nEs wurden 1 File(s) gefunden!\r\nVantikDll.dll fehlt");
}
