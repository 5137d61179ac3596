#include <gtest/gtest.h>

#include "EmulatedKey.h"
#include "TempFolder.h"
#include "key/Transfer.h"
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
        return TransferKeyFile(*key, namer, kWhen, out, name, size);
    }
    std::vector<std::string> OutFiles() { return ListFolder(out); }
    std::string Put(const std::string& name, size_t size, unsigned seed = 1) {
        const std::string content = Bytes(size, seed);
        WriteFile(temp / "key\\" + name, content);
        return content;
    }

    TempFolder temp;
    std::string out = temp / "out\\";
    KvrNamer namer;
    std::unique_ptr<EmulatedKey> key;
};

const char kPlainKey[] = "VANTIK-ID:WK12345678 FW-2130";
const char kScramblingKey[] = "VANTIK-ID:WB12345678 FW-2131";
}  // namespace

TEST(TransferKeyFile, PlainDeliveryKeepsTheNameAndEveryByte) {
    TransferBench b(kPlainKey);
    const std::string content = b.Put("V_4711_0_x.DDD", 1000);
    const TransferOutcome o = b.Transfer("V_4711_0_x.DDD", 1000);
    EXPECT_EQ(o.result, TransferResult::Complete);
    EXPECT_EQ(ReadFile(b.out + "V_4711_0_x.DDD"), content);
    EXPECT_EQ(b.OutFiles(), std::vector<std::string>{"V_4711_0_x.DDD"});  // no temporary left
}

TEST(TransferKeyFile, ScrambledDeliveryIsUnscrambledUnderItsKvrName) {
    TransferBench b(kScramblingKey);
    const std::string content = b.Put("V_4711_0_20210303.bin", 4099, 3);
    const std::string plain = b.Put("M_other.DDD", 7, 4);
    EXPECT_EQ(b.Transfer("V_4711_0_20210303.bin", 4099).result, TransferResult::Complete);
    EXPECT_EQ(b.Transfer("M_other.DDD", 7).result, TransferResult::Complete);
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

TEST(TransferKeyFile, TwoScrambledFilesOfOneSecondBothSurvive) {
    TransferBench b(kScramblingKey);
    const std::string first = b.Put("V_1_0_a.DDD", 100, 1), second = b.Put("V_1_0_b.DDD", 200, 2);
    EXPECT_EQ(b.Transfer("V_1_0_a.DDD", 100).result, TransferResult::Complete);
    EXPECT_EQ(b.Transfer("V_1_0_b.DDD", 200).result, TransferResult::Complete);
    EXPECT_EQ(ReadFile(b.out + "V_1_2021-03-03_14-05-09.kvr"), first);
    EXPECT_EQ(ReadFile(b.out + "V_1_2021-03-03_14-05-10.kvr"), second);
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
        TransferBench b(delivery.identity, d);
        for (const char* name : {"FAIL.DDD", "SHORT.DDD", "WRONGSIZE.DDD"}) {
            b.Put(name, 500);
            WriteFile(b.out + name, "earlier download");
        }
        for (auto [name, size] : {std::pair<const char*, int>{"FAIL.DDD", 500}, {"SHORT.DDD", 500},
                                  {"WRONGSIZE.DDD", 501}, {"MISSING.DDD", 10}}) {
            const TransferOutcome o = b.Transfer(name, size);
            EXPECT_EQ(o.result, TransferResult::Failed) << delivery.what << " " << name;
            EXPECT_NE(o.problem.find(name), std::string::npos) << o.problem;
        }
        for (const char* name : {"FAIL.DDD", "SHORT.DDD", "WRONGSIZE.DDD"})
            EXPECT_EQ(ReadFile(b.out + name), "earlier download") << delivery.what << " " << name;
        EXPECT_EQ(b.OutFiles().size(), 3u) << delivery.what;
    }
}

TEST(TransferKeyFile, SuccessReplacesAnEarlierFile) {
    TransferBench b(kPlainKey);
    const std::string content = b.Put("A.DDD", 64);
    WriteFile(b.out + "A.DDD", "older content of another length");
    EXPECT_EQ(b.Transfer("A.DDD", 64).result, TransferResult::Complete);
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
