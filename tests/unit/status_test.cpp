#include <gtest/gtest.h>

#include "DialogHarness.h"
#include "res/resource.h"

namespace {
std::vector<int> Ticks(DialogHarness& h, int count) {
    std::vector<int> positions;
    for (int i = 0; i < count; ++i) {
        h.dialog->OnTimer(kActivityTimer);
        positions.push_back(h.view.GetProgress(IDC_PROGRESS));
    }
    return positions;
}
}  // namespace

TEST(StatusLog, EveryLineIsPrecededByCrLf) {
    DialogHarness h;
    h.Start();
    h.Click(IDC_CLEAR_DISPLAY);
    h.dialog->AppendStatusLine("A");
    h.dialog->AppendStatusLine("");
    h.dialog->AppendStatusLine("B");
    EXPECT_EQ(h.Log(), "\r\nA\r\nB");
}

TEST(StatusLog, ThousandsOfLinesStayExact) {
    DialogHarness h;
    h.Start();
    h.Click(IDC_CLEAR_DISPLAY);
    std::string expected;
    for (int i = 0; i < 10000; ++i) {
        const std::string line = "Zeile " + std::to_string(i);
        h.dialog->AppendStatusLine(line);
        expected += "\r\n" + line;
    }
    EXPECT_EQ(h.Log(), expected);
}

TEST(ClearDisplay, EmptiesLogListAndFilesButNotTheLabels) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start();
    h.view.SetText(IDC_COUNTER, "Download 0 - 1");
    h.view.SetProgress(IDC_PROGRESS, 40);
    ASSERT_EQ(h.dialog->Files().size(), 1u);
    h.Click(IDC_CLEAR_DISPLAY);
    EXPECT_EQ(h.Log(), "");
    EXPECT_TRUE(h.dialog->Files().empty());
    EXPECT_TRUE(h.view.RowTexts(IDC_FILE_LIST).empty());
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download 0 - 1");
    EXPECT_EQ(h.view.GetText(IDC_SERIAL), "SN: ");
    EXPECT_EQ(h.view.GetProgress(IDC_PROGRESS), 40);
}

TEST(ProgressAnimation, SweepsUpAndWrapsAfterOneHundred) {
    DialogHarness h;
    h.Start();
    std::vector<int> ticks = Ticks(h, 103);
    std::vector<int> expected{0};
    for (int p = 1; p <= 100; ++p) expected.push_back(p);
    expected.push_back(0);
    expected.push_back(1);
    EXPECT_EQ(ticks, expected);
    EXPECT_EQ(h.view.TimerPeriod(kActivityTimer), 200);
}

TEST(ProgressAnimation, CountsDownFromWhereItStandsThenTurns) {
    DialogHarness h;
    h.Start();
    h.view.SetProgress(IDC_PROGRESS, 57);
    std::vector<int> ticks = Ticks(h, 60);
    std::vector<int> expected;
    for (int p = 56; p >= 0; --p) expected.push_back(p);
    expected.insert(expected.end(), {1, 2, 3});
    EXPECT_EQ(ticks, expected);
}

TEST(TimeLimit, ExpiryClosesTheDialog) {
    DialogHarness h;
    h.Start();
    h.view.SetTimer(kTimeLimitTimer, 60000);
    h.dialog->OnTimer(kTimeLimitTimer);
    EXPECT_FALSE(h.view.TimerArmed(kTimeLimitTimer));
    EXPECT_TRUE(h.view.Ended());
}

TEST(StartButtonLook, BusyIsWhiteAndDisabledExceptInCompactMode) {
    DialogHarness normal;
    normal.Start();
    normal.dialog->ShowDownloadBusy();
    EXPECT_FALSE(normal.view.Control(IDC_START).enabled);
    EXPECT_EQ(normal.dialog->StartButton().FaceColor.load(), kWhite);
    normal.dialog->ShowDownloadIdle();
    EXPECT_TRUE(normal.view.Control(IDC_START).enabled);
    EXPECT_EQ(normal.dialog->StartButton().FaceColor.load(), kSilver);

    DialogHarness compact;
    compact.Start(compact.output + " t mini");
    compact.dialog->ShowDownloadBusy();
    EXPECT_TRUE(compact.view.Control(IDC_START).enabled);
    EXPECT_EQ(compact.dialog->StartButton().FaceColor.load(), kSilver);
}
