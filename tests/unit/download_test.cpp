#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <chrono>
#include <thread>

#include "DialogHarness.h"
#include "platform/Files.h"
#include "res/resource.h"

namespace {
// A prepared dialog over a key with the given files, ready to download.
struct Download : DialogHarness {
    explicit Download(std::vector<std::pair<std::string, size_t>> files, KeyDescription d = KeyDescription(),
                      const std::string& extraParameters = "")
        : DialogHarness(std::move(d)) {
        unsigned seed = 1;
        for (auto& [name, size] : files) {
            contents[name] = Bytes(size, seed++);
            WriteFile(KeyFile(name), contents[name]);
        }
        Start(output + extraParameters);
        dialog->OnTimer(kStartupTimer);
    }
    void Run() {
        Click(IDC_START);
        WaitForWorker();
    }
    bool Arrived(const std::string& name) { return ReadFile(Out(name)) == contents.at(name); }
    std::map<std::string, std::string> contents;
};

const char kPlainKey[] = "VANTIK-ID:WK12345678 FW-2130";
KeyDescription PlainKey() {
    KeyDescription d;
    d.identity = kPlainKey;
    return d;
}
}  // namespace

TEST(DownloadWorker, CopiesEveryFileAndEmptiesTheKey) {
    Download h({{"A.DDD", 100}, {"B.DDD", 2000}}, PlainKey());
    ASSERT_EQ(h.dialog->SelectedMode(), kModeKeyToPc);
    h.Run();
    EXPECT_TRUE(h.Arrived("A.DDD"));
    EXPECT_TRUE(h.Arrived("B.DDD"));
    EXPECT_EQ(h.key->Files(), std::vector<std::string>{"MERO.ini"});
    // In this order; a text replaced before the window showed it may be missing.
    const std::vector<std::string> counters{"Download 0 - 0", "Download 0 - 0", "Download 0 - 2",
                                            "Download 0 - 0", "Download 1 - 2", "Download 2 - 2",
                                            "Download - l\xF6sche Key", "Download - Read KEY", "Download ENDE"};
    auto next = counters.begin();
    for (const std::string& shown : h.view.Counters()) {
        next = std::find(next, counters.end(), shown);
        ASSERT_NE(next, counters.end()) << shown;
        ++next;
    }
    EXPECT_EQ(h.view.Counters().back(), "Download ENDE");
    for (const KeyFileEntry& e : h.dialog->Files()) EXPECT_EQ(e.bytesDone, e.size) << e.name;
    EXPECT_TRUE(h.view.RowTexts(IDC_FILE_LIST).empty());
    EXPECT_TRUE(h.view.Control(IDC_PREPARE_KEY).enabled);
    EXPECT_TRUE(h.view.Control(IDC_START).enabled);
    EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kSilver);
    EXPECT_FALSE(h.view.TimerArmed(kActivityTimer));
    EXPECT_EQ(h.view.GetProgress(IDC_PROGRESS), 0);
    EXPECT_EQ(h.view.TimerPeriod(kTimeLimitTimer), 7200000);
    EXPECT_FALSE(h.view.Ended());
    EXPECT_EQ(h.key->Violations(), 0);
    EXPECT_GE(h.system.Lowered(), 1);
    EXPECT_EQ(h.view.WaitCursorDepth(), 0);
}

TEST(DownloadWorker, NodeleteLeavesTheKeyFull) {
    Download h({{"A.DDD", 10}}, PlainKey(), " t x x nodelete");
    h.Run();
    EXPECT_TRUE(h.Arrived("A.DDD"));
    EXPECT_EQ(h.key->Files(), (std::vector<std::string>{"A.DDD", "MERO.ini"}));
}

TEST(DownloadWorker, UncheckingTheBoxAfterPreparationAlsoKeepsTheFiles) {
    Download h({{"A.DDD", 10}}, PlainKey());
    h.view.SetCheck(IDC_DELETE_AFTER, false);
    h.Run();
    EXPECT_EQ(h.key->Files(), (std::vector<std::string>{"A.DDD", "MERO.ini"}));
}

TEST(DownloadWorker, AnEmptyFileKeepsEverythingOnTheKeyAndItsOldCopy) {
    Download h({{"A.DDD", 10}, {"EMPTY.DDD", 0}}, PlainKey());
    WriteFile(h.Out("EMPTY.DDD"), "earlier download");
    h.Run();
    EXPECT_TRUE(h.Arrived("A.DDD"));
    EXPECT_EQ(ReadFile(h.Out("EMPTY.DDD")), "earlier download");
    EXPECT_EQ(h.key->Files().size(), 3u);
    EXPECT_EQ(h.key->Calls("KeyDeleteFile"), 0);
}

TEST(DownloadWorker, AFailedFileIsNamedAndNothingIsDeleted) {
    KeyDescription d = PlainKey();
    d.readFails = {"C.DDD"};
    Download h({{"A.DDD", 10}, {"B.DDD", 20}, {"C.DDD", 30}, {"D.DDD", 40}}, d);
    h.Run();
    for (const char* name : {"A.DDD", "B.DDD", "D.DDD"}) EXPECT_TRUE(h.Arrived(name)) << name;
    EXPECT_FALSE(PathExists(h.Out("C.DDD")));
    EXPECT_EQ(h.key->Files().size(), 5u);
    EXPECT_NE(h.Log().find("C.DDD"), std::string::npos);
    EXPECT_EQ(h.dialog->Files()[2].bytesDone, 0);
}

TEST(DownloadWorker, KeyThatDoesNotOpenTransfersNothing) {
    KeyDescription d = PlainKey();
    d.openFails = true;
    Download h({{"A.DDD", 10}}, d);
    h.Run();
    EXPECT_FALSE(PathExists(h.Out("A.DDD")));
    EXPECT_EQ(h.key->Calls("KeyReadFile"), 0);
    EXPECT_EQ(h.key->Calls("KeyClose"), 0);
    EXPECT_EQ(h.key->Files().size(), 2u);
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Download ENDE");
}

TEST(DownloadWorker, CompactModeKeepsTheButtonAndClosesAtTheEnd) {
    Download h({{"A.DDD", 10}}, PlainKey(), " t mini /Min:30");
    h.Click(IDC_START);
    EXPECT_TRUE(h.view.Control(IDC_START).enabled);
    h.WaitForWorker();
    EXPECT_TRUE(h.Arrived("A.DDD"));
    EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kSilver);
    EXPECT_FALSE(h.view.TimerArmed(kTimeLimitTimer));
    EXPECT_TRUE(h.view.Ended());
    // Compact mode keeps the list box rows.
    EXPECT_EQ(h.view.RowTexts(IDC_FILE_LIST).size(), 1u);
}

TEST(DownloadWorker, NoModeChosenArmsTheTimeLimitOnly) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start(h.output + " t x /Min:2");
    h.Click(IDC_START);
    EXPECT_EQ(h.view.TimerPeriod(kTimeLimitTimer), 120000);
    EXPECT_FALSE(h.dialog->WorkerRunning());
    EXPECT_EQ(h.key->Calls("KeyOpen"), 0);
}

TEST(DownloadWorker, ClosingMidTransferStopsAtAFileBoundaryAndKeepsTheKey) {
    KeyDescription d = PlainKey();
    d.readSpeed = 20000;  // 100 ms per file
    Download h({{"A.DDD", 2000}, {"B.DDD", 2000}, {"C.DDD", 2000}, {"D.DDD", 2000}}, d);
    h.Click(IDC_START);
    while (h.key->Calls("KeyReadFile") == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.Click(IDC_CANCEL);
    h.Click(IDC_CANCEL);
    h.view.RunPosted();
    EXPECT_FALSE(h.view.Ended());  // not while the worker holds the key
    const std::string log = h.Log();
    const std::string why = "\r\nAbbruch nach der laufenden Datei";  // at once, and once
    EXPECT_EQ(log.substr(log.size() - why.size()), why);
    EXPECT_EQ(log.find(why), log.rfind(why));
    h.WaitForWorker();
    EXPECT_TRUE(h.view.Ended());
    EXPECT_LT(h.key->Calls("KeyReadFile"), 4);
    EXPECT_EQ(h.key->Calls("KeyDeleteFile"), 0);
    EXPECT_EQ(h.key->Files().size(), 5u);
    EXPECT_EQ(h.key->Violations(), 0);
}

TEST(DownloadWorker, KeyCommandsAreRefusedWhileItRuns) {
    KeyDescription d = PlainKey();
    d.readSpeed = 20000;
    Download h({{"A.DDD", 2000}, {"B.DDD", 2000}}, d);
    h.Click(IDC_START);
    while (h.key->Calls("KeyReadFile") == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int identifies = h.key->Calls("KeyIdentify");
    h.Click(IDC_PREPARE_KEY);
    h.Click(IDC_CLEAR_DISPLAY);
    h.Click(IDC_DIRECTORY);
    h.Click(IDC_KEY_TO_PC);  // a radio click must not offer a second start
    h.Click(IDC_START);
    h.view.RunPosted();  // what the worker has shown so far
    EXPECT_FALSE(h.view.Control(IDC_START).enabled);
    EXPECT_EQ(h.dialog->Files().size(), 2u);
    h.WaitForWorker();
    EXPECT_EQ(h.key->Calls("KeyIdentify") - identifies, 1);  // only the second file's transfer
    EXPECT_EQ(h.key->Calls("KeyReadDirectory"), 3);         // start, preparation, worker
    EXPECT_TRUE(h.Arrived("A.DDD"));
    EXPECT_TRUE(h.Arrived("B.DDD"));
}

TEST(DownloadWorker, TheParameterFileIsNeverTransferred) {
    Download h({{"A.DDD", 10}, {"mero.ini", 5}}, PlainKey());
    h.Run();
    EXPECT_TRUE(h.Arrived("mero.ini"));  // only the exact name is the key's own
    EXPECT_FALSE(PathExists(h.Out("MERO.ini")));
    EXPECT_EQ(h.key->Files(), std::vector<std::string>{"MERO.ini"});
}

TEST(DownloadWorker, APressDuringACompactRunRearmsTheLimitAndClosingSaysWhy) {
    KeyDescription d = PlainKey();
    d.readSpeed = 20000;
    Download h({{"A.DDD", 2000}, {"B.DDD", 2000}}, d, " t mini");
    h.Click(IDC_START);
    while (h.key->Calls("KeyReadFile") == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    h.view.KillTimer(kTimeLimitTimer);
    h.Click(IDC_START);  // refused as a second start, yet the time limit starts anew
    EXPECT_EQ(h.view.TimerPeriod(kTimeLimitTimer), 7200000);
    h.dialog->OnCancel();
    h.view.RunPosted();
    EXPECT_EQ(h.view.GetText(IDC_COUNTER), "Abbruch nach der laufenden Datei");
    h.WaitForWorker();
    EXPECT_EQ(h.key->Files().size(), 3u);
}

TEST(DialogStart, RemovesOnlyTheToolsTemporaryFilesFromTheOutputFolder) {
    // A second instance on the folder leaves them: they may be the first one's.
    // A leftover with a final file's bytes may share its clusters (a rename
    // cut midway on FAT): it stays, and is named once.
    for (bool another : {false, true}) {
        DialogHarness h;
        MakeFolder(h.output);
        for (const char* name : {"~mero0000.part", "~mero0001.part", "~mero0002.part"}) WriteFile(h.Out(name), "yz");
        WriteFile(h.Out("~mero0003.part"), "");
        for (const char* name : {"~MERO0417.PART", "~mero.part", "A.DDD"}) WriteFile(h.Out(name), "x");
        WriteFile(h.temp / "~mero0001.part", "not in the output folder");
        h.system.anotherInstance = another;
        h.Start();
        EXPECT_EQ(h.system.foldersInUse, std::vector<std::string>{h.output});
        const std::vector<std::string> kept =
            another ? std::vector<std::string>{"A.DDD", "~MERO0417.PART", "~mero.part", "~mero0000.part",
                                               "~mero0001.part", "~mero0002.part", "~mero0003.part"}
                    : std::vector<std::string>{"A.DDD", "~MERO0417.PART", "~mero.part"};
        EXPECT_EQ(ListFolder(h.output), kept);
        EXPECT_TRUE(PathExists(h.temp / "~mero0001.part"));
        const std::string twin = "\r\nTempor\xE4re Datei " + h.Out("~MERO0417.PART") + " bleibt liegen: gleicht A.DDD";
        EXPECT_EQ(h.Log(), (another ? "" : twin) + "\r\nEs wurden 0 File(s) gefunden!");
    }
}

TEST(DownloadWorker, AnExceptionNeverEscapesTheWorker) {
    // A file the transfer cannot hold in memory, or whose finish throws
    // anything at all, fails alone, and the next file's finish still runs;
    // anything else ends the worker with a status line and a dialog ready
    // again. The key keeps all, and the exit status never says all arrived.
    struct Case {
        const char* where;
        bool secondArrives;
        const char* line;
    } cases[] = {
        {"read, out of memory", true, "Datei A.DDD nicht vollst"},
        {"read, anything", false, "Interner Fehler: unbekannte Ausnahme"},
        {"finish, anything", true, "Datei A.DDD nicht vollst"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const bool inFinish = c.where[0] == 'f';
        KeyDescription scrambled;  // its finish asks the clock for the file's name
        Download h({{"A.DDD", 10}, {"B.DDD", 20}}, inFinish ? scrambled : PlainKey());
        // The first reading off the worker's thread: the first file's naming.
        std::mutex m;
        std::thread::id worker;
        bool thrown = false;
        h.system.onNow = [&] {
            const std::lock_guard<std::mutex> l(m);
            if (!inFinish || thrown || worker == std::thread::id() || std::this_thread::get_id() == worker) return;
            thrown = true;
            throw 42;
        };
        h.key->OnRead([&](int read) {
            if (read == 0 && inFinish) {
                const std::lock_guard<std::mutex> l(m);
                worker = std::this_thread::get_id();
            }
            if (read != 0 || inFinish) return;
            if (c.secondArrives) throw std::bad_alloc();
            throw 42;
        });
        h.Run();
        EXPECT_EQ(h.key->Files().size(), 3u);
        EXPECT_EQ(ListFolder(h.output), c.secondArrives ? std::vector<std::string>{"B.DDD"} : std::vector<std::string>{})
            << h.Log();
        EXPECT_EQ(PathExists(h.Out("B.DDD")), c.secondArrives) << h.Log();
        EXPECT_NE(h.Log().find(c.line), std::string::npos) << h.Log();
        EXPECT_EQ(h.dialog->RunOutcome(), kExitFileMissing);
        EXPECT_TRUE(h.view.Control(IDC_START).enabled);
        EXPECT_EQ(h.dialog->StartButton().FaceColor.load(), kSilver);
        EXPECT_FALSE(h.view.TimerArmed(kActivityTimer));
    }
}

TEST(DownloadWorker, ACompactRunEndsWhateverItsEndThrows) {
    // The worker breaks off, and not even its status line can be shown.
    Download h({{"A.DDD", 10}}, PlainKey(), " t mini");
    h.key->OnRead([](int) { throw 42; });
    h.Click(IDC_START);
    h.view.failStatusLines = true;
    EXPECT_THROW(h.WaitForWorker(), std::bad_alloc);  // to the window procedure's catch
    EXPECT_FALSE(h.dialog->WorkerRunning());
    EXPECT_TRUE(h.view.Ended());
    EXPECT_EQ(h.key->Files().size(), 2u);
}
