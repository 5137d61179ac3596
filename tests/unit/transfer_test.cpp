#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <set>

#include "EmulatedKey.h"
#include "TempFolder.h"
#include "TransferOnce.h"
#include "platform/Files.h"

namespace {
constexpr std::time_t kWhen = 1614780309;

// An open emulated key over key/ and the output folder out\.
struct TransferBench {
    explicit TransferBench(const std::string& identity, KeyDescription d = KeyDescription()) {
        setenv("TZ", "UTC", 1);
        tzset();
        d.folder = MakeFolder(temp / "key");
        d.identity = identity;
        MakeFolder(temp / "out");
        key = std::make_unique<EmulatedKey>(d);
        key->KeyOpen();
    }
    TransferOutcome Transfer(const std::string& name, int size) {
        return TransferKeyFile(*key, names, clock, out, name, size);
    }
    std::vector<std::string> OutFiles() { return ListFolder(out); }
    std::string Put(const std::string& name, size_t size, unsigned seed = 1) {
        const std::string content = Bytes(size, seed);
        WriteFile(temp / "key\\" + name, content);
        return content;
    }

    TempFolder temp;
    std::string out = temp / "out\\";
    OutputNamer names;
    Clock clock = [] { return kWhen; };
    std::unique_ptr<EmulatedKey> key;
};

const char kPlainKey[] = "VANTIK-ID:WK12345678 FW-2130";
const char kScramblingKey[] = "VANTIK-ID:WB12345678 FW-2131";
}  // namespace

// The file layer's own promise: a move that may not replace never does, and
// one the system refuses says why.
TEST(StagedFile, AMoveThatMayNotReplaceNeverDoes) {
    TempFolder t;
    WriteFile(t / "new.part", "new");
    WriteFile(t / "A.DDD", "another writer's");
    StagedFile staged(t / "new.part");
    EXPECT_EQ(staged.MoveTo(t / "A.DDD", false), StagedFile::Move::Taken);
    EXPECT_EQ(ReadFile(t / "A.DDD"), "another writer's");
    EXPECT_EQ(staged.MoveTo(t / "missing\\A.DDD", false), StagedFile::Move::Failed);
    EXPECT_FALSE(staged.MoveRefusal().empty());
}

TEST(TransferKeyFile, PlainDeliveryKeepsTheNameAndEveryByte) {
    TransferBench b(kPlainKey);
    const std::string content = b.Put("V_4711_0_x.DDD", 1000);
    const TransferOutcome o = b.Transfer("V_4711_0_x.DDD", 1000);
    EXPECT_EQ(o.result, TransferResult::Stored);
    EXPECT_EQ(ReadFile(b.out + "V_4711_0_x.DDD"), content);
    EXPECT_EQ(b.OutFiles(), std::vector<std::string>{"V_4711_0_x.DDD"});  // no temporary left
}

TEST(TransferKeyFile, ScrambledDeliveryIsUnscrambledUnderItsKvrName) {
    TransferBench b(kScramblingKey);
    const std::string content = b.Put("V_4711_0_20210303.bin", 4099, 3);
    const std::string plain = b.Put("M_other.DDD", 7, 4);
    EXPECT_EQ(b.Transfer("V_4711_0_20210303.bin", 4099).result, TransferResult::Stored);
    EXPECT_EQ(b.Transfer("M_other.DDD", 7).result, TransferResult::Stored);
    EXPECT_EQ(ReadFile(b.out + "V_4711_2021-03-03_14-05-09.kvr"), content);
    EXPECT_EQ(ReadFile(b.out + "M_other.DDD"), plain);
    EXPECT_EQ(b.OutFiles(), (std::vector<std::string>{"M_other.DDD", "V_4711_2021-03-03_14-05-09.kvr"}));
}

TEST(TransferKeyFile, ScrambledDeliveryRefusesSizeBelowOne) {
    TransferBench b(kScramblingKey);
    b.Put("C_x_0_y", 0);
    EXPECT_EQ(b.Transfer("C_x_0_y", 0).result, TransferResult::Refused);
    EXPECT_EQ(b.key->Calls("KeyReadFile"), 0);
}

TEST(TransferKeyFile, ScrambledFilesOfOneSecondAllSurvive) {
    // Each takes the next free second, past this run's and any earlier file.
    TransferBench b(kScramblingKey);
    WriteFile(b.out + "V_1_2021-03-03_14-05-10.kvr", "an earlier download");
    const char* const names[] = {"V_1_0_a.DDD", "V_1_0_b.DDD", "V_1_0_c.DDD"};
    const char* const stored[] = {"V_1_2021-03-03_14-05-09.kvr", "V_1_2021-03-03_14-05-11.kvr",
                                  "V_1_2021-03-03_14-05-12.kvr"};
    for (int i = 0; i < 3; ++i) {
        const std::string content = b.Put(names[i], 100 + i, static_cast<unsigned>(i + 1));
        EXPECT_EQ(b.Transfer(names[i], 100 + i).result, TransferResult::Stored) << names[i];
        EXPECT_EQ(ReadFile(b.out + stored[i]), content) << names[i];
    }
    EXPECT_EQ(ReadFile(b.out + "V_1_2021-03-03_14-05-10.kvr"), "an earlier download");
}

TEST(TransferKeyFile, FailuresReportAndKeepTheEarlierFile) {
    struct Case {
        const char* identity;
        const char* what;
    } deliveries[] = {{kPlainKey, "plain"}, {kScramblingKey, "scrambled"}};
    for (const Case& delivery : deliveries) {
        KeyDescription d;
        d.readFails = {"FAIL.DDD"};
        d.readTruncated = {"SHORT.DDD"};
        d.readErrors = {"ERROR.DDD", "V_1_0_ERROR.DDD"};  // every byte delivered, yet the library failed
        d.readPartial = {"PARTIAL.DDD"};
        TransferBench b(delivery.identity, d);
        const std::vector<const char*> present = {"FAIL.DDD", "SHORT.DDD", "WRONGSIZE.DDD", "ERROR.DDD",
                                                  "V_1_0_ERROR.DDD", "PARTIAL.DDD"};
        for (const char* name : present) {
            b.Put(name, 500);
            WriteFile(b.out + name, "earlier download");
        }
        for (auto [name, size] : {std::pair<const char*, int>{"FAIL.DDD", 500}, {"SHORT.DDD", 500},
                                  {"WRONGSIZE.DDD", 501}, {"MISSING.DDD", 10}, {"ERROR.DDD", 500},
                                  {"V_1_0_ERROR.DDD", 500}, {"PARTIAL.DDD", 500}}) {
            const TransferOutcome o = b.Transfer(name, size);
            EXPECT_EQ(o.result, TransferResult::Failed) << delivery.what << " " << name;
            EXPECT_NE(o.problem.find(name), std::string::npos) << o.problem;
        }
        for (const char* name : present)
            EXPECT_EQ(ReadFile(b.out + name), "earlier download") << delivery.what << " " << name;
        EXPECT_EQ(b.OutFiles().size(), present.size()) << delivery.what;
        // A read-only earlier entry that the replace cannot take gets its attribute back.
        b.Put("BLOCKED.DDD", 500);
        CreateFolder(b.out + "BLOCKED.DDD");
        WriteFile(b.out + "BLOCKED.DDD\\inside", "x");
        SetReadOnly(b.out + "BLOCKED.DDD", true);
        EXPECT_EQ(b.Transfer("BLOCKED.DDD", 500).result, TransferResult::Failed) << delivery.what;
        EXPECT_TRUE(WhatAnswersAt(b.out + "BLOCKED.DDD").readOnly) << delivery.what;
        SetReadOnly(b.out + "BLOCKED.DDD", false);
    }
}

TEST(TransferKeyFile, SuccessReplacesAnEarlierFile) {
    TransferBench b(kPlainKey);
    const std::string content = b.Put("A.DDD", 64);
    WriteFile(b.out + "A.DDD", "older content of another length");
    EXPECT_EQ(b.Transfer("A.DDD", 64).result, TransferResult::Stored);
    EXPECT_EQ(ReadFile(b.out + "A.DDD"), content);
}

TEST(TransferKeyFile, UnwritableOutputFails) {
    TransferBench b(kScramblingKey);
    b.Put("A.DDD", 64);
    b.out = b.temp / "missing-folder\\";
    EXPECT_EQ(b.Transfer("A.DDD", 64).result, TransferResult::Failed);
    EXPECT_EQ(ListFolder(b.temp.Path()), (std::vector<std::string>{"key", "out"}));
}

TEST(TransferKeyFile, NamesThatLeaveTheOutputFolderAreRefused) {
    TransferBench b(kPlainKey);
    MakeFolder(b.temp / "out\\sub");
    const std::string longName(200, 'n');
    for (const std::string& name : {std::string("..\\evil.DDD"), std::string("../evil.DDD"), std::string("C:evil"),
                                    std::string("CON"), std::string("sub\\x"), longName}) {
        const TransferOutcome o = b.Transfer(name, 10);
        EXPECT_EQ(o.result, TransferResult::Failed) << name;
        EXPECT_NE(o.problem.find("Dateiname"), std::string::npos) << name;
    }
    EXPECT_EQ(b.key->Calls("KeyReadFile"), 0);
    EXPECT_EQ(ListFolder(b.temp.Path()), (std::vector<std::string>{"key", "out"}));
    EXPECT_EQ(b.OutFiles(), std::vector<std::string>{"sub"});
}

TEST(TransferKeyFile, PathsBeyondTheBuffersAreRefused) {
    TransferBench b(kPlainKey);
    b.Put("A.DDD", 5);
    b.out = b.temp / std::string(1020, 'f') + "\\";
    EXPECT_EQ(b.Transfer("A.DDD", 5).result, TransferResult::Failed);
    EXPECT_EQ(b.key->Calls("KeyReadFile"), 0);
}

TEST(TransferKeyFile, ASplitMarkerInTheOutputFolderNeverLeavesIt) {
    TransferBench b(kScramblingKey);
    b.out = MakeFolder(b.temp / "V_Lkw_0_12") + "\\";
    const std::string card = b.Put("C_card_0_1.DDD", 30, 1), plain = b.Put("A.DDD", 20, 2);
    EXPECT_EQ(b.Transfer("C_card_0_1.DDD", 30).result, TransferResult::Stored);
    EXPECT_EQ(b.Transfer("A.DDD", 20).result, TransferResult::Stored);
    EXPECT_EQ(ReadFile(b.out + "C_card_2021-03-03_14-05-09.kvr"), card);
    EXPECT_EQ(ReadFile(b.out + "A.DDD"), plain);
    EXPECT_EQ(ListFolder(b.temp.Path()), (std::vector<std::string>{"V_Lkw_0_12", "key", "out"}));
}

// What answers at an output name is the file system's to say. Links stand in
// for what Windows adds (case, short names): "alias -> file" answers for file.
TEST(TransferKeyFile, OnlyAnEarlierFileOfThatVeryNameIsReplacedOrRemoved) {
    struct Case {
        const char* why;
        std::vector<std::pair<const char*, const char*>> links;  // in the output folder
        std::vector<const char*> keyFiles;                       // transferred in this order
        const char* refusedProblem;                              // of the last one; nullptr: stored
        std::vector<const char*> untouched;                      // earlier files that must stay as they were
    } cases[] = {
        {"a plain name the run gave a .kvr", {}, {"V_1_0_a.DDD", "V_1_2021-03-03_14-05-09.kvr"},
         "Datei V_1_2021-03-03_14-05-09.kvr: Name schon vergeben", {}},
        {"another name of a file the run stored", {{"a.ddd", "A.DDD"}}, {"A.DDD", "a.ddd"},
         "Datei a.ddd: Name schon vergeben", {}},
        {"a short name of an earlier file", {{"LONGFI~1.DDD", "LongFileName1.ddd"}}, {"LONGFI~1.DDD"},
         "Datei LONGFI~1.DDD: Name schon vergeben (LongFileName1.ddd)", {"LongFileName1.ddd"}},
        {"the .kvr store's key name answers for another file", {{"V_3_0_c.DDD", "Other.DDD"}}, {"V_3_0_c.DDD"},
         nullptr, {"Other.DDD", "V_3_0_c.DDD"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TransferBench b(kScramblingKey);
        for (const char* earlier : {"LongFileName1.ddd", "Other.DDD"}) WriteFile(b.out + earlier, "earlier download");
        for (const auto& [alias, file] : c.links) ASSERT_EQ(symlink(file, (b.temp.Path() + "/out/" + alias).c_str()), 0);
        std::map<std::string, std::string> stored;  // key file -> its bytes
        unsigned seed = 1;
        for (const char* name : c.keyFiles) stored[name] = b.Put(name, 40 + seed, seed), ++seed;
        const std::map<std::string, std::string> before = [&] {
            std::map<std::string, std::string> m;
            for (const char* name : c.untouched) m[name] = ReadFile(b.out + name);
            return m;
        }();
        TransferOutcome last;
        for (const char* name : c.keyFiles) last = b.Transfer(name, static_cast<int>(stored[name].size()));
        EXPECT_EQ(last.result, c.refusedProblem ? TransferResult::Failed : TransferResult::Stored);
        EXPECT_EQ(last.problem, c.refusedProblem ? c.refusedProblem : "");
        for (const auto& [name, content] : before) EXPECT_EQ(ReadFile(b.out + name), content) << name;
        // Every key file that was stored still has its bytes in the folder.
        std::set<std::string> contents;
        for (const std::string& name : b.OutFiles()) contents.insert(ReadFile(b.out + name));
        for (size_t i = 0; i + (c.refusedProblem ? 1 : 0) < c.keyFiles.size(); ++i)
            EXPECT_TRUE(contents.count(stored[c.keyFiles[i]])) << c.keyFiles[i];
    }
}

TEST(TransferKeyFile, TheKvrTimeIsTheTimeOfNaming) {
    TransferBench b(kScramblingKey);
    const std::string content = b.Put("V_1_0_a.DDD", 400);
    std::vector<int> readsSeen;  // KeyReadFile calls made when the clock was read
    b.clock = [&] {
        readsSeen.push_back(b.key->Calls("KeyReadFile"));
        return kWhen + 7 * static_cast<std::time_t>(readsSeen.size() - 1);  // a slow key: 7 s per read
    };
    EXPECT_EQ(b.Transfer("V_1_0_a.DDD", 400).result, TransferResult::Stored);
    EXPECT_EQ(readsSeen, (std::vector<int>{0, 1}));  // seeded before the read, named after it
    EXPECT_EQ(ReadFile(b.out + "V_1_2021-03-03_14-05-16.kvr"), content);
}
