#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DialogHarness.h"
#include "platform/Files.h"
#include "res/resource.h"

namespace {
// A dialog started without the key (or with one it could not identify);
// Plug() puts the key in.
struct LateKey : DialogHarness {
    explicit LateKey(KeyDescription d = KeyDescription(), const std::string& parameters = "", bool absent = true)
        : DialogHarness(d) {
        if (absent) description.presenceFile = temp / "plugged-in";
        WriteFile(KeyFile("A.DDD"), "card");
        Start(output + parameters);
        dialog->OnTimer(kStartupTimer);
    }
    void Plug() { WriteFile(temp / "plugged-in", ""); }
    int Preparations() { return key->Calls("KeyIdentify"); }
    int Arrivals() {
        const std::string log = Log();
        int n = 0;
        for (size_t at = log.find("Key erkannt"); at != std::string::npos; at = log.find("Key erkannt", at + 1)) ++n;
        return n;
    }
};
}  // namespace

TEST(KeyArrival, APluggedKeyIsPreparedOnceAfterTheChangesSettle) {
    for (const char* parameters : {"", " t mini"}) {
        LateKey h(KeyDescription(), parameters);
        EXPECT_EQ(h.view.GetText(IDC_SERIAL), "SN: ");
        h.Plug();
        for (int i = 0; i < 3; ++i) h.dialog->OnDeviceChange();  // a burst: one period, restarted
        EXPECT_EQ(h.view.TimerPeriod(kDeviceSettleTimer), 1000);
        EXPECT_EQ(h.Preparations(), 1);  // only the one at start-up so far
        h.dialog->OnTimer(kDeviceSettleTimer);
        EXPECT_FALSE(h.view.TimerArmed(kDeviceSettleTimer));
        EXPECT_EQ(h.Preparations(), 2);
        EXPECT_EQ(h.Arrivals(), 1);
        EXPECT_NE(h.view.GetText(IDC_SERIAL).find("WB12345678"), std::string::npos);
        EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download 0 - 1");
        EXPECT_EQ(h.dialog->SelectedMode(), kModeKeyToPc);
        h.dialog->OnDeviceChange();  // identified now: a mouse plugged in changes nothing
        EXPECT_FALSE(h.view.TimerArmed(kDeviceSettleTimer));
        h.Click(IDC_START);
        h.WaitForWorker();
        EXPECT_EQ(ReadFile(h.Out("A.DDD")), "card") << parameters;
        if (parameters[0]) continue;  // the compact dialog has closed
        // Pulled, and "Key vorbereiten" finds none: plugging it in prepares it again.
        DeleteFileAt(h.temp / "plugged-in");
        h.Click(IDC_PREPARE_KEY);
        h.Plug();
        h.dialog->OnDeviceChange();
        EXPECT_TRUE(h.view.TimerArmed(kDeviceSettleTimer));
    }
}

TEST(KeyArrival, AChangeDuringADownloadWaitsForItsEnd) {
    KeyDescription d;
    d.identifyFailures = 1;  // the start-up preparation finds no key, yet lists its files
    d.readSpeed = 40;        // 100 ms for the 4-byte file
    LateKey h(d, "", false);
    h.Click(IDC_START);
    h.dialog->OnDeviceChange();
    EXPECT_FALSE(h.view.TimerArmed(kDeviceSettleTimer));
    h.WaitForWorker();
    const int preparations = h.Preparations();
    EXPECT_EQ(h.view.TimerPeriod(kDeviceSettleTimer), 1000);
    h.dialog->OnTimer(kDeviceSettleTimer);
    EXPECT_EQ(h.Preparations() - preparations, 1);
    EXPECT_EQ(h.Arrivals(), 1);
}

TEST(KeyArrival, NothingHappensOnceTheDialogCloses) {
    LateKey h;
    h.Plug();
    h.dialog->OnDeviceChange();
    h.Click(IDC_CANCEL);
    EXPECT_FALSE(h.view.TimerArmed(kDeviceSettleTimer));
    h.dialog->OnTimer(kDeviceSettleTimer);  // a tick already queued
    h.dialog->OnDeviceChange();
    EXPECT_EQ(h.Preparations(), 1);
    EXPECT_FALSE(h.view.TimerArmed(kDeviceSettleTimer));
}
