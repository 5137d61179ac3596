#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "DialogHarness.h"
#include "res/resource.h"

// The outcome a calling program learns, decided from what the worker did.
TEST(ExitStatus, TellsHowTheLastDownloadEnded) {
    struct Case {
        const char* why;
        std::vector<const char*> keyFiles;
        std::function<void(KeyDescription&)> key;
        const char* parameters;
        std::function<void(DialogHarness&)> run;  // after the start-up; nullptr: press "Download starten"
        ExitStatus expected;
        std::vector<const char*> says = {};  // in the status log, and in the run log's block
    };
    const auto none = [](KeyDescription&) {};
    const auto scrambled = [](KeyDescription& d) { d.identity = "VANTIK-ID:WB40213377 FW-2131"; };
    // The user closes while the key's first read (or deletion) waits, on the
    // window's thread; stuck: the call outlasts the close's grace, and the
    // dialog ends without the worker; breaks: something escapes the call.
    enum When { AtRead, AtDeletion };
    const auto closeAt = [](When when, bool stuck = false, bool breaks = false) {
        return [=](DialogHarness& h) {
            std::promise<void> called, release;
            const std::shared_future<void> released = release.get_future().share();
            const auto hook = [&called, released, breaks](int n) {
                if (n != 0) return;
                called.set_value();
                released.wait();
                if (breaks) throw 42;
            };
            if (when == AtRead) h.key->OnRead(hook);
            else h.key->OnDelete(hook);
            h.Click(IDC_START);
            called.get_future().wait();
            h.dialog->OnCancel();
            EXPECT_EQ(h.view.TimerPeriod(kCloseGraceTimer), kCloseGraceMs);
            if (stuck) {
                h.dialog->OnTimer(kCloseGraceTimer);
                EXPECT_TRUE(h.view.Ended());
                EXPECT_TRUE(h.dialog->WorkerAbandoned());
            }
            release.set_value();
            h.WaitForWorker();
        };
    };
    // A download, the key pulled, "Download starten" again: the second run decides.
    const auto pulledAfterADownload = [](DialogHarness& h) {
        WriteFile("present", "");
        h.Click(IDC_PREPARE_KEY);
        h.Click(IDC_START);
        h.WaitForWorker();
        EXPECT_EQ(h.dialog->RunOutcome(), kExitAllArrived);
        DeleteFileAt("present");
        h.Click(IDC_START);
        h.WaitForWorker();
    };
    // Earlier copies under two key names of a scrambled delivery: the first
    // cannot be removed (a folder stands there), the second goes.
    const auto earlierCopies = [](DialogHarness& h) {
        CreateFolder(h.Out("C_1_0_A.DDD"));
        WriteFile(h.Out("C_1_0_A.DDD\\inside"), "x");
        WriteFile(h.Out("C_2_0_B.DDD"), "earlier");
        h.Click(IDC_START);
        h.WaitForWorker();
        EXPECT_FALSE(PathExists(h.Out("C_2_0_B.DDD")));
    };
    const auto trigger = [](DialogHarness& h) {
        h.view.SetCheck(IDC_KEY_TO_PC, false);
        h.view.SetCheck(IDC_KEY_1, true);
        h.Click(IDC_KEY_1);
        h.Click(IDC_START);
        h.WaitForWorker();
    };
    const Case cases[] = {
        {"every file arrived", {"A.DDD", "B.DDD"}, none, "", nullptr, kExitAllArrived},
        {"one file failed", {"A.DDD", "B.DDD"}, [](KeyDescription& d) { d.readFails = {"B.DDD"}; }, "", nullptr,
         kExitFileMissing},
        {"a file listed empty", {"A.DDD", "E.DDD"}, none, "", nullptr, kExitFileMissing},
        {"the key does not open", {"A.DDD"}, [](KeyDescription& d) { d.openFails = true; }, "", nullptr,
         kExitFileMissing},
        {"compact, stopped by a close", {"A.DDD", "B.DDD"}, none, " t mini", closeAt(AtRead), kExitStopped},
        {"a worker stuck past the close's grace", {"A.DDD", "B.DDD"}, none, "", closeAt(AtRead, true), kExitStopped},
        {"the key would not open to be emptied", {"A.DDD", "B.DDD"}, [](KeyDescription& d) { d.opensBeforeFailure = 1; },
         "", nullptr, kExitKeyNotEmptied},
        {"a file the key would not delete", {"A.DDD", "B.DDD"}, [](KeyDescription& d) { d.deleteFails = {"B.DDD"}; },
         "", nullptr, kExitKeyNotEmptied},
        {"a backup switch with nothing after it", {"A.DDD"}, none, " t normal /Min:5 /Backup:", nullptr,
         kExitFileMissing},
        {"an empty key", {}, none, "", nullptr, kExitAllArrived},
        {"nodelete, every file arrived", {"A.DDD"}, none, " t normal /Min:5 nodelete", nullptr, kExitAllArrived},
        {"no key answers", {"A.DDD"}, [](KeyDescription& d) { d.presenceFile = "absent"; }, "", nullptr,
         kExitNoDownload},
        {"the key pulled after a download", {"A.DDD"}, [](KeyDescription& d) { d.presenceFile = "present"; }, "",
         pulledAfterADownload, kExitNoDownload},
        {"closed before a download", {"A.DDD"}, none, "", [](DialogHarness& h) { h.dialog->OnCancel(); },
         kExitNoDownload},
        {"a trigger run that ended without a download", {}, [](KeyDescription& d) { d.pollAnswers = {-1}; }, "",
         trigger, kExitNoDownload},
        // Each status line shows in the run log's block.
        {"an earlier copy stayed beside its .kvr", {"C_1_0_A.DDD", "C_2_0_B.DDD"}, scrambled, "", earlierCopies,
         kExitFileMissing, {"Datei C_1_0_A.DDD: die fr\xFChere Kopie", "Key geleert"}},
        {"an earlier copy stayed and the key would not be emptied", {"C_1_0_A.DDD", "C_2_0_B.DDD"},
         [scrambled](KeyDescription& d) { scrambled(d), d.deleteFails = {"C_2_0_B.DDD"}; }, "", earlierCopies,
         kExitKeyNotEmptied, {"die fr\xFChere Kopie", "Key nur teilweise geleert: 1 von 2"}},
        {"the worker broke off after a close", {"A.DDD", "B.DDD"}, none, "", closeAt(AtRead, false, true), kExitStopped,
         {"Interner Fehler", "Ende: R\xFC" "ckgabewert 4 (geschlossen)"}},
        {"a close while the key is emptied", {"A.DDD", "B.DDD"}, none, "", closeAt(AtDeletion),
         kExitAllArrived, {"Schlie\xDF" "en, sobald der Key geleert ist", "Key geleert",
                           "Ende: R\xFC" "ckgabewert 0 (geschlossen)"}},
        {"the key stuck in a deletion past the close's grace", {"A.DDD", "B.DDD"}, none, "",
         closeAt(AtDeletion, true), kExitKeyNotEmptied,
         {"Key nur teilweise geleert: 0 von 2 Dateien gel\xF6scht, der Key antwortet nicht beim L\xF6schen von A.DDD",
          "Ende: R\xFC" "ckgabewert 5 (geschlossen, der Key hing beim Leeren)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        KeyDescription d;
        d.identity = "VANTIK-ID:WK12345678 FW-2200";
        c.key(d);
        DialogHarness h(d);
        for (const char* name : c.keyFiles) WriteFile(h.KeyFile(name), name[0] == 'E' ? "" : "data of " + std::string(name));
        h.Start(h.output + c.parameters + " \"/Log:" + h.temp / "run.log" + "\"");
        h.dialog->OnTimer(kStartupTimer);
        if (c.run) {
            c.run(h);
        } else {
            h.Click(IDC_START);
            h.WaitForWorker();
        }
        EXPECT_EQ(h.dialog->RunOutcome(), c.expected) << h.Log();
        const std::string log = ReadFile(h.temp / "run.log");
        for (const char* text : c.says) EXPECT_NE(log.find(text), std::string::npos) << text << " not in:\n" << log;
    }
}
