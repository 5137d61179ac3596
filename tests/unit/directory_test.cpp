#include <gtest/gtest.h>

#include <cstring>

#include "DialogHarness.h"
#include "key/KeyDirectory.h"
#include "res/resource.h"

TEST(DirectorySlot, ParsesSizeAndName) {
    struct Case {
        std::string slot;
        std::string name;
        int size;
    } cases[] = {
        {"  512 Byte - \"A.DDD\"", "A.DDD", 512},
        {"512 Byte-A.DDD", "A.DDD", 512},
        {"  12 Byte - \"B-MR-1234.DDD\"", "B-MR-1234.DDD", 12},   // the first dash splits
        {"  77 - \"NoWord.DDD\"", "NoWord.DDD", 0},               // no "Byte": size 0
        {" 9 Byte \"no dash.ddd\" ", "9 Byte no dash.ddd", 9},    // no "-": the whole text
        {"\t 3 Byte -\t\"x\"\"y\" \t", "xy", 3},
        {"abc Byte - \"n\"", "n", 0},
        {"  99999999999 Byte - \"huge\"", "huge", 2147483647},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        const SlotContent got = ParseDirectorySlot(c.slot);
        EXPECT_EQ(got.name, c.name) << c.slot;
        EXPECT_EQ(got.size, c.size) << c.slot;
    }
}

TEST(DirectoryTable, SlotWithoutNulEndsAtItsHundredthByte) {
    DirectoryTable table;
    std::memset(table.Pointers()[0], 'x', kSlotSize);
    std::memset(table.Pointers()[1], 'y', kSlotSize);  // the neighbour must not run into it
    EXPECT_EQ(table.SlotText(0), std::string(kSlotSize, 'x'));
    table.Zero();
    EXPECT_EQ(table.SlotText(0), "");
}

TEST(DirectoryTable, EntriesSkipEmptySlotsAndTheParameterFile) {
    DirectoryTable table;
    std::strcpy(table.Pointers()[0], "  1 Byte - \"MERO.ini\"");
    std::strcpy(table.Pointers()[1], "  2 Byte - \"mero.ini\"");
    std::strcpy(table.Pointers()[5], "  3 Byte - \"C.DDD\"");
    const KeyFileList list = EntriesFromDirectory(table);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "mero.ini");
    EXPECT_EQ(list[1].name, "C.DDD");
    EXPECT_EQ(list[1].size, 3);
    EXPECT_EQ(list[1].bytesDone, 0);
    EXPECT_FALSE(list[1].selected);
    EXPECT_EQ(ListRowText(list[1]), "C.DDD ( 3 )");
}

TEST(ListKeyDirectory, SortedRowsTraceBackToTheirEntries) {
    KeyDescription d;
    d.order = {"B.DDD", "A.DDD"};
    DialogHarness h(d);
    WriteFile(h.KeyFile("A.DDD"), std::string(512, 'a'));
    WriteFile(h.KeyFile("B.DDD"), std::string(7, 'b'));
    h.Start();
    ASSERT_EQ(h.dialog->Files().size(), 2u);
    EXPECT_EQ(h.dialog->Files()[0].name, "B.DDD");
    EXPECT_EQ(h.view.RowTexts(IDC_FILE_LIST), (std::vector<std::string>{"A.DDD ( 512 )", "B.DDD ( 7 )"}));
    h.view.SelectRowAt(IDC_FILE_LIST, 0, true);
    const std::vector<int> selected = h.view.ListSelectedEntries(IDC_FILE_LIST);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(h.dialog->Files()[selected[0]].name, "A.DDD");
    EXPECT_EQ(h.Log(), "\r\nEs wurden 2 File(s) gefunden!");
}

TEST(ListKeyDirectory, AllSlotsUsed) {
    DialogHarness h;
    for (int i = 0; i < 140; ++i) WriteFile(h.KeyFile("F" + std::to_string(1000 + i) + ".DDD"), "x");
    h.Start();
    EXPECT_EQ(h.dialog->Files().size(), 128u);
    EXPECT_EQ(h.view.RowTexts(IDC_FILE_LIST).size(), 128u);
}

TEST(ListKeyDirectory, UnterminatedSlotsStillParse) {
    KeyDescription d;
    d.unterminatedSlots = true;
    DialogHarness h(d);
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start();
    ASSERT_EQ(h.dialog->Files().size(), 1u);
    EXPECT_EQ(h.dialog->Files()[0].name, "A.DDD");
    EXPECT_EQ(h.dialog->Files()[0].size, 3);
}

TEST(ListKeyDirectory, FailedReadEmptiesListAndReportsNothingFound) {
    KeyDescription d;
    d.directoryReadsBeforeFailure = 1;
    DialogHarness h(d);
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start();
    ASSERT_EQ(h.dialog->Files().size(), 1u);
    h.dialog->ListKeyDirectory();
    EXPECT_TRUE(h.dialog->Files().empty());
    EXPECT_TRUE(h.view.RowTexts(IDC_FILE_LIST).empty());
    EXPECT_EQ(h.Log(), "\r\nEs wurden 1 File(s) gefunden!\r\nEs wurden 0 File(s) gefunden!");
    EXPECT_FALSE(h.view.Control(IDC_PREPARE_KEY).enabled);
}

TEST(ListKeyDirectory, WithoutLibraryFindsNothing) {
    DialogHarness h;
    WriteFile(h.KeyFile("A.DDD"), "abc");
    h.Start();
    h.source.key = nullptr;
    h.Click(IDC_DIRECTORY);
    EXPECT_TRUE(h.dialog->Files().empty());
    EXPECT_EQ(h.Log(), "\r\nEs wurden 1 File(s) gefunden!\r\nEs wurden 0 File(s) gefunden!");
}
