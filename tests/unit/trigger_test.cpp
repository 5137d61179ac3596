#include <gtest/gtest.h>

#include <thread>

#include "DialogHarness.h"
#include "platform/Files.h"
#include "res/resource.h"
#include "workers/TriggerAnswers.h"

namespace {
// An empty key whose trigger answers follow the script; fetched/ holds what it
// brings back from the tachograph.
struct Trigger : DialogHarness {
    Trigger(int send, std::vector<int> polls, const std::string& parameters = "") : DialogHarness(Script(send, polls)) {
        fetched = MakeFolder(temp / "fetched");
        description.fetchFolder = fetched;
        WriteFile(fetched + "\\V_NEW_0_1.DDD", "vehicle unit data");
        WriteFile(fetched + "\\C_NEW_1.DDD", "driver card data");
        Start(output + parameters);
        dialog->OnTimer(kStartupTimer);
    }
    static KeyDescription Script(int send, std::vector<int> polls) {
        KeyDescription d;
        d.identity = "VANTIK-ID:WK12345678 FW-2200";
        d.sendAnswer = send;
        d.pollAnswers = std::move(polls);
        return d;
    }
    void Press(int modeButton) {
        for (int id : {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_TO_PC, IDC_KEY_4, IDC_KEY_5})
            view.SetCheck(id, id == modeButton);
        Click(modeButton);
        Click(IDC_START);
        WaitForWorker();
    }
    // The pauses of the run, without the one of the preparation.
    std::vector<int> RunSleeps() {
        std::vector<int> s = system.Sleeps();
        s.erase(s.begin());
        return s;
    }
    std::string fetched;
};
}  // namespace

TEST(TriggerAnswers, Tables) {
    EXPECT_EQ(TriggerCodeOf(0), 1);
    EXPECT_EQ(TriggerCodeOf(1), 8);
    EXPECT_EQ(TriggerCodeOf(2), 9);
    EXPECT_EQ(TriggerCodeOf(3), 0);
    EXPECT_EQ(TriggerCodeOf(4), 16);
    EXPECT_EQ(TriggerCodeOf(5), 32);
    EXPECT_EQ(TriggerCodeOf(-1), 0);
    EXPECT_EQ(TriggerCodeOf(6), 0);
    const struct {
        int answer;
        const char* send;
        bool sendStops;
        const char* poll;
        bool pollStops;
    } rows[] = {
        {-1, "1 Triggerfehler -1", true, "2 Triggerfehler -1", true},
        {0, "1 Trigger habe zu tun 0", false, "2 Trigger mache nichts 0", true},
        {1, "1 Trigger habe zu tun 1", false, "2 Trigger habe zu tun 1", false},
        {2, "1 Trigger bin fertig 2", true, "2 Trigger bin fertig 2", true},
        {7, "1 Trigger unbekante Antwort 7", true, "2 Trigger unbekante Antwort 7", true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(SendAnswer(r.answer).line, r.send);
        EXPECT_EQ(SendAnswer(r.answer).stop, r.sendStops);
        EXPECT_FALSE(SendAnswer(r.answer).finished);
        EXPECT_EQ(PollAnswer(r.answer).line, r.poll);
        EXPECT_EQ(PollAnswer(r.answer).stop, r.pollStops);
        EXPECT_EQ(PollAnswer(r.answer).finished, r.answer == 2);
    }
}

TEST(TriggerWorker, FinishedAfterPollingDownloadsTheFetchedFiles) {
    Trigger h(0, {1, 1, 2});
    h.Press(IDC_KEY_1);
    EXPECT_EQ(h.key->LastTriggerCode(), 1);
    EXPECT_EQ(h.key->LastBaudRate(), 0);
    EXPECT_EQ(h.key->Calls("KeyPollTrigger"), 3);
    EXPECT_EQ(h.key->Calls("KeyReset"), 1 + 2);  // preparation, then reset and re-initialisation
    EXPECT_EQ(h.RunSleeps(), (std::vector<int>{200, 1000, 200, 1000, 200, 1000, 1000, 500}));
    EXPECT_EQ(h.system.Debug(), std::vector<std::string>{"3600\n"});
    EXPECT_EQ(h.Log(),
              "\r\nEs wurden 0 File(s) gefunden!"
              "\r\nSend Key: 1\r\n\r\n1 Trigger habe zu tun 0"
              "\r\nRet \r\n2 Trigger habe zu tun 1\r\nRet \r\n2 Trigger bin fertig 2"
              "\r\nReset Key\r\nReInit Key\r\nEs wurden 2 File(s) gefunden!");
    // This key's firmware delivers scrambled copies: the vehicle unit lands under its .kvr name.
    const std::vector<std::string> out = ListFolder(h.output);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], "C_NEW_1.DDD");
    EXPECT_EQ(out[1].rfind("V_NEW_", 0), 0u);
    EXPECT_EQ(out[1].substr(out[1].size() - 4), ".kvr");
    EXPECT_EQ(ReadFile(h.Out(out[0])), "driver card data");
    EXPECT_EQ(ReadFile(h.Out(out[1])), "vehicle unit data");
    EXPECT_EQ(h.key->Files(), std::vector<std::string>{"MERO.ini"});
    EXPECT_TRUE(h.view.Control(IDC_START).enabled);
    EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kSilver);
    EXPECT_EQ(h.key->Violations(), 0);
    // The trigger run and the download it started are one run: one start, one
    // block, the trigger's lines in it.
    const std::string log = ReadFile("C:\\MERO\\Daten\\Protokoll\\KeyDownload_2021-03.log");
    const size_t block = log.find("\r\n=== ");
    ASSERT_NE(block, std::string::npos) << log;
    EXPECT_EQ(log.find("=== ", block + 6), std::string::npos) << log;
    EXPECT_EQ(log.find("Start: ", log.find("Start: ") + 1), std::string::npos) << log;
    for (const char* line : {"Auftrag an den Key: Modus 0", "Send Key: 1", "Reset Key", "ReInit Key",
                             "Datei C_NEW_1.DDD (16 Byte): gespeichert als ", "Key geleert"})
        EXPECT_NE(log.find(std::string("\r\n  ") + line, block), std::string::npos) << line << " in\n" << log;
}

TEST(TriggerWorker, EndingAnswersResetOnceAndDownloadNothing) {
    struct Case {
        int send;
        std::vector<int> polls;
        int expectedPolls;
        const char* lastLine;
    } cases[] = {
        {2, {2}, 0, "1 Trigger bin fertig 2"},
        {-1, {2}, 0, "1 Triggerfehler -1"},
        {7, {2}, 0, "1 Trigger unbekante Antwort 7"},
        {1, {0}, 1, "2 Trigger mache nichts 0"},
        {1, {1, -1}, 2, "2 Triggerfehler -1"},
        {1, {7}, 1, "2 Trigger unbekante Antwort 7"},
    };
    for (const Case& c : cases) {
        Trigger h(c.send, c.polls);
        h.Press(IDC_KEY_2);
        EXPECT_EQ(h.key->Calls("KeyPollTrigger"), c.expectedPolls) << c.lastLine;
        EXPECT_EQ(h.key->Calls("KeyReset"), 2) << c.lastLine;
        EXPECT_NE(h.Log().find(c.lastLine), std::string::npos) << h.Log();
        EXPECT_EQ(h.Log().find("ReInit Key"), std::string::npos);
        EXPECT_EQ(h.key->Calls("KeyOpen"), 0);
        // The key asks for a new preparation before the next start.
        EXPECT_FALSE(h.view.Control(IDC_START).enabled);
        EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kWhite);
        EXPECT_FALSE(h.view.TimerArmed(kActivityTimer));
    }
}

TEST(TriggerWorker, ModeButtonsSendTheirCodes) {
    const std::pair<int, int> modes[] = {{IDC_KEY_1_2, 9}, {IDC_KEY_4, 16}, {IDC_KEY_5, 32}};
    for (auto [button, code] : modes) {
        Trigger h(2, {2});
        h.Press(button);
        EXPECT_EQ(h.key->LastTriggerCode(), code);
        EXPECT_NE(h.Log().find("Send Key: " + std::to_string(code)), std::string::npos);
    }
}

TEST(TriggerWorker, CompactModeLeavesTheStartButtonAlone) {
    Trigger h(2, {2}, " t mini");
    h.Press(IDC_KEY_1);
    EXPECT_TRUE(h.view.Control(IDC_START).enabled);
    EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kSilver);
    EXPECT_FALSE(h.view.Ended());
}

TEST(TriggerWorker, ClosingStopsPollingWithoutADownload) {
    Trigger h(1, {1});
    h.view.SetCheck(IDC_KEY_TO_PC, false);
    h.view.SetCheck(IDC_KEY_1, true);
    h.Click(IDC_KEY_1);
    h.Click(IDC_START);
    while (h.key->Calls("KeyPollTrigger") < 3) h.view.RunPosted();  // the worker reads the baud rate from the window
    h.Click(IDC_CANCEL);
    h.WaitForWorker();
    EXPECT_TRUE(h.view.Ended());
    EXPECT_EQ(h.key->Calls("KeyOpen"), 0);
}

TEST(TestButton, PassesTheTypedBaudRate) {
    Trigger h(2, {2});
    h.view.SetText(IDC_BAUD_RATE, "5|115200");
    h.Click(IDC_TEST);
    EXPECT_EQ(h.key->LastBaudRate(), 5);
}
