#include <gtest/gtest.h>

#include "app/Params.h"
#include "app/RestartRegistration.h"

namespace {
std::vector<std::string> Split(const std::string& line) {
    CParams p;
    p.CommandLine = line;
    p.Parse();
    std::vector<std::string> texts;
    for (const tagParam& t : p.Params) texts.push_back(t.Text);
    return texts;
}

RunSettings Settings(const std::string& line) {
    CParams p;
    p.CommandLine = line;
    p.Parse();
    return InterpretParams(p);
}

using Texts = std::vector<std::string>;
}  // namespace

TEST(CommandLineSplit, FollowsTheQuoteAndBlankRules) {
    struct Case {
        const char* line;
        Texts texts;
    } cases[] = {
        {"", {}},
        {"    ", {}},
        {"C:\\Out \"Lkw 12\" mini /Min:30 nodelete", {"C:\\Out", "Lkw 12", "mini", "/Min:30", "nodelete"}},
        {"\"\" \"\" mini", {"mini"}},
        {"ab\"c d\"", {"abc", "d"}},
        {"x \"a b", {"x", "a b "}},
        {"a\tb", {"a\tb"}},
        {"  lead   and   runs  ", {"lead", "and", "runs"}},
        {"\"a\"\"b\"", {"ab"}},
        {"\"quoted \"\"\" next", {"quoted ", "next"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.texts) << "line: " << c.line;
}

TEST(CommandLineSplit, MarksSlashParametersAndReplacesOnReparse) {
    CParams p;
    p.CommandLine = "C:\\Out /Min:30";
    p.Parse();
    ASSERT_EQ(p.Params.size(), 2u);
    EXPECT_EQ(p.Params[0].IsPlain, 1);
    EXPECT_EQ(p.Params[1].IsPlain, 0);
    EXPECT_EQ(p.Params[1].Text, "/Min:30");
    p.CommandLine = "one";
    p.Parse();
    ASSERT_EQ(p.Params.size(), 1u);
    EXPECT_EQ(p.Params[0].Text, "one");
}

TEST(CommandLineSettings, TypicalUnattendedRun) {
    const RunSettings s = Settings("C:\\Out \"Lkw 12\" mini /Min:30 nodelete");
    EXPECT_TRUE(s.hasOutputFolder);
    EXPECT_EQ(s.outputFolder, "C:\\Out");
    EXPECT_EQ(s.titleText, "Lkw 12");
    EXPECT_TRUE(s.compactMode);
    EXPECT_EQ(s.timeLimit, 1800000);
    EXPECT_FALSE(s.deleteAfterDownload);
}

TEST(CommandLineSettings, DefaultsWhenMissingOrUnrecognised) {
    const RunSettings none = Settings("   ");
    EXPECT_FALSE(none.hasOutputFolder);
    EXPECT_EQ(none.titleText, "");
    EXPECT_FALSE(none.compactMode);
    EXPECT_EQ(none.timeLimit, 7200000);
    EXPECT_TRUE(none.deleteAfterDownload);

    const RunSettings caseSensitive = Settings("out title MINI /Min:5 NoDelete");
    EXPECT_FALSE(caseSensitive.compactMode);
    EXPECT_TRUE(caseSensitive.deleteAfterDownload);
    EXPECT_EQ(caseSensitive.timeLimit, 300000);

    // An empty quoted pair is no parameter: "mini" becomes the output folder.
    const RunSettings shifted = Settings("\"\" \"\" mini");
    EXPECT_EQ(shifted.outputFolder, "mini");
    EXPECT_FALSE(shifted.compactMode);
}

TEST(CommandLineSettings, TheBackupSwitchStandsAnywhereAndShiftsNothing) {
    struct Case {
        const char* line;
        const char* backup;
    } cases[] = {
        {"C:\\Out \"Lkw 12\" mini /Min:30 nodelete", ""},
        {"\"/Backup:E:\\Sicherung 2\" C:\\Out \"Lkw 12\" mini /Min:30 nodelete", "E:\\Sicherung 2"},
        {"C:\\Out \"Lkw 12\" /BACKUP:D:\\S mini /Min:30 nodelete", "D:\\S"},
        {"C:\\Out \"Lkw 12\" mini /Min:30 nodelete /backup:x /Backup:y", "y"},
        // A quote may open after the colon; blanks alone name no folder.
        {"C:\\Out /Backup:\"E:\\Sich 2\" \"Lkw 12\" mini /Min:30 nodelete", "E:\\Sich 2"},
        {"C:\\Out \"/Backup:  \" \"Lkw 12\" mini /Min:30 nodelete", ""},
        {"C:\\Out /Backup: \"Lkw 12\" mini /Min:30 nodelete", ""},
        // The log's switch is taken out the same way.
        {"/LOG:\"D:\\Proto kolle\\k.log\" C:\\Out \"Lkw 12\" /Backup:B mini /Log:D:\\k.log /Min:30 nodelete", "B"},
    };
    for (const Case& c : cases) {
        const RunSettings s = Settings(c.line);
        EXPECT_EQ(s.backupFolder, c.backup) << c.line;
        EXPECT_EQ(s.backupWanted, c.line != cases[0].line) << c.line;
        EXPECT_EQ(s.logFile, std::string(c.line).find("/Log:") != std::string::npos ? "D:\\k.log" : "") << c.line;
        EXPECT_EQ(s.outputFolder, "C:\\Out") << c.line;
        EXPECT_EQ(s.titleText, "Lkw 12") << c.line;
        EXPECT_TRUE(s.compactMode) << c.line;
        EXPECT_EQ(s.timeLimit, 1800000) << c.line;
        EXPECT_FALSE(s.deleteAfterDownload) << c.line;
    }
    EXPECT_EQ(Settings("/Backupx C:\\Out").outputFolder, "/Backupx");  // not the switch
}

TEST(CommandLineSettings, TimeLimitTexts) {
    struct Case {
        const char* text;
        int ms;
    } cases[] = {
        {"/Min:30", 1800000}, {"Min:30", 7200000},   {"/Min:0", 7200000},     {"/Min:-5", 7200000},
        {"/Min:abc", 7200000}, {"/Min:15x", 900000}, {"/Min: 2", 120000},     {"x/min:5", 7200000},
        {"/Min:35791", 2147460000}, {"/Min:35792", 2147460000},               {"/Min:99999999999999999999", 2147460000},
        {"/Min:1", 60000},
    };
    for (const Case& c : cases) EXPECT_EQ(TimeLimitFromText(c.text), c.ms) << c.text;
}

TEST(RestartRegistration, TheCommandLineForUpdateRestartsOnly) {
    const std::string unattended = "\"D:\\Export \xE4\" \"Lkw 12\" mini /Min:30 nodelete";
    const RestartRegistration r = RestartRegistrationFor(unattended);
    EXPECT_TRUE(r.registered);
    EXPECT_EQ(r.arguments, unattended);
    EXPECT_EQ(r.flags, kRestartNoCrash | kRestartNoHang);
    EXPECT_TRUE(RestartRegistrationFor("").registered);
    EXPECT_TRUE(RestartRegistrationFor(std::string(1023, 'x')).registered);
    EXPECT_FALSE(RestartRegistrationFor(std::string(1024, 'x')).registered);  // the system would refuse it
}
