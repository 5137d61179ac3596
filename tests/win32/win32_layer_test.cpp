// The Windows side of the file layer and of the folder's sharing, tested where
// it runs: what the system answers, not our model of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "win32/Win32System.h"

namespace {
class Folder {
public:
    Folder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "mero-win32-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial_) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~Folder() {
        for (const std::string& name : ListFolder(path_)) {
            SetFileAttributesA((path_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((path_ + name).c_str());
        }
        RemoveDirectoryA(path_.c_str());
    }
    std::string operator/(const std::string& name) const { return path_ + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    static int serial_;
};
int Folder::serial_ = 0;

void Write(const std::string& path, const std::string& text) {
    ASSERT_TRUE(WriteWholeFile(path, reinterpret_cast<const unsigned char*>(text.data()), text.size())) << path;
}

std::string Read(const std::string& path) {
    std::vector<unsigned char> content;
    ReadWholeFile(path, content);
    return std::string(content.begin(), content.end());
}

// Another program holding a file open for itself alone, for a while.
std::thread Hold(const std::string& path, int milliseconds) {
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return std::thread([held, milliseconds] {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        CloseHandle(held);
    });
}
}  // namespace

// A name still held after its deletion (another program has it open) is
// taken, not a failure: the next temporary number is tried.
TEST(Files, ADeletePendingNameCountsAsTaken) {
    Folder f;
    Write(f / "~mero-0000.part", "x");
    const HANDLE other = CreateFileA((f / "~mero-0000.part").c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                     nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(DeleteFileA((f / "~mero-0000.part").c_str()));
    EXPECT_NE(CreateNewFile(f / "~mero-0000.part"), NewFile::Failed);
    CloseHandle(other);
}

TEST(StagedFile, TakesANameOnlyWhereAllowedAndIsKnownByItsNewPlace) {
    Folder f;
    Write(f / "~temp.part", "new");
    Write(f / "A.DDD", "earlier");
    StagedFile staged(f / "~temp.part");
    EXPECT_EQ(staged.MoveTo(f / "a.ddd", false), StagedFile::Move::Taken);  // the system folds the case
    EXPECT_EQ(staged.MoveTo(f / "A.DDD", true), StagedFile::Move::Moved);
    EXPECT_TRUE(staged.Flush());
    EXPECT_NE(staged.FlushWithoutDeviceCache(), StagedFile::CacheFlush::Failed);
    FileIdentity through, byName;
    ASSERT_TRUE(staged.Identity(through));
    ASSERT_TRUE(IdentityOf(f / "A.DDD", byName));
    EXPECT_EQ(through, byName);
    EXPECT_EQ(staged.Path(), f / "A.DDD");
    std::vector<unsigned char> content;
    EXPECT_TRUE(staged.Read(3, content));
    EXPECT_EQ(std::string(content.begin(), content.end()), "new");
    EXPECT_FALSE(staged.Read(2, content));  // a length other than expected is no whole file
}

TEST(StagedFile, AFileAnotherProgramHoldsIsWaitedForAMomentThenNamed) {
    struct Case {
        int heldMs;
        bool opens;
    } cases[] = {{150, true}, {2000, false}};
    for (const Case& c : cases) {
        Folder f;
        Write(f / "~temp.part", "new");
        std::thread holder = Hold(f / "~temp.part", c.heldMs);
        {
            StagedFile staged(f / "~temp.part");
            EXPECT_EQ(staged.HasSize(3), c.opens) << c.heldMs;
            EXPECT_EQ(staged.HeldElsewhere(), !c.opens) << c.heldMs;
        }
        EXPECT_EQ(DeleteFileAt(f / "~temp.part"), c.opens) << c.heldMs;
        holder.join();
    }
}

TEST(Files, ReadOnlyEarlierFilesAreSeenAndCanLoseTheAttribute) {
    Folder f;
    Write(f / "A.DDD", "earlier");
    EXPECT_TRUE(SetReadOnly(f / "A.DDD", true));
    EXPECT_TRUE(WhatAnswersAt(f / "A.DDD").readOnly);
    EXPECT_FALSE(DeleteFileAt(f / "A.DDD"));  // as Windows refuses it
    EXPECT_TRUE(SetReadOnly(f / "A.DDD", false));
    EXPECT_FALSE(WhatAnswersAt(f / "A.DDD").readOnly);
    EXPECT_TRUE(DeleteFileAt(f / "A.DDD"));
}

TEST(Files, NamesAndIdentitiesAsTheSystemGivesThem) {
    Folder f;
    Write(f / "LongFileName1.ddd", "x");
    char shortPath[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA((f / "LongFileName1.ddd").c_str(), shortPath, MAX_PATH), 0u);
    const PathOccupant alias = WhatAnswersAt(shortPath);
    EXPECT_TRUE(alias.exists);
    EXPECT_EQ(alias.longName, "LongFileName1.ddd");
    EXPECT_EQ(alias.identity, WhatAnswersAt(f / "longfilename1.DDD").identity);
    EXPECT_TRUE(SameFileName("Fahrer_\xC4.DDD", "fahrer_\xE4.ddd"));
    EXPECT_FALSE(SameFileName("A.DDD", "A.DDD "));
    EXPECT_FALSE(WhatAnswersAt(f / "missing").exists);
    EXPECT_EQ(CreateNewFile(f / "LONGFILENAME1.DDD"), NewFile::Exists);
    EXPECT_EQ(CreateNewFile(f / "B.DDD"), NewFile::Created);
}

TEST(Files, AppendsLandAtTheEnd) {
    Folder f;
    EXPECT_TRUE(AppendToFile(f / "run.log", "one\r\n"));
    EXPECT_TRUE(AppendToFile(f / "run.log", "two\r\n"));
    EXPECT_EQ(Read(f / "run.log"), "one\r\ntwo\r\n");
    EXPECT_FALSE(AppendToFile(f / "no such folder\\run.log", "x"));
}

TEST(FolderSharing, OneFirstUserPerFolderWhateverItsName) {
    Folder f;
    Win32System first, second;
    EXPECT_TRUE(first.FirstToUseFolder(f.Path()));
    EXPECT_FALSE(second.FirstToUseFolder(f.Path()));
    std::string otherCase = f.Path();
    CharLowerA(&otherCase[0]);
    EXPECT_FALSE(second.FirstToUseFolder(otherCase));
    Folder other;
    EXPECT_TRUE(second.FirstToUseFolder(other.Path()));
}
