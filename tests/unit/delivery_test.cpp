#include <gtest/gtest.h>

#include "TempFolder.h"
#include "key/Delivery.h"
#include "key/OutputNames.h"

namespace {
std::string Identity(const std::string& prefix, int firmware) {
    // ":" then the serial at characters 10 to 19, the firmware number last.
    return "VANTIK-ID:" + prefix + "12345678 FW-" + std::to_string(firmware);
}

// The unscrambling spelled out byte by byte, as the key library describes it.
std::string Reference(std::string data, std::uint32_t k) {
    size_t i = 0;
    for (; i + 4 <= data.size(); i += 4) {
        std::uint32_t group = std::uint32_t(static_cast<unsigned char>(data[i])) |
                              std::uint32_t(static_cast<unsigned char>(data[i + 1])) << 8 |
                              std::uint32_t(static_cast<unsigned char>(data[i + 2])) << 16 |
                              std::uint32_t(static_cast<unsigned char>(data[i + 3])) << 24;
        group ^= k;
        for (int b = 0; b < 4; ++b) data[i + b] = static_cast<char>(group >> (8 * b));
        k -= 0x3D71A94B;
    }
    for (int shift = 24; i < data.size(); ++i, shift -= 8) data[i] = static_cast<char>(data[i] ^ (k >> shift));
    return data;
}

std::string Unscrambled(std::string data, std::uint32_t k) {
    Unscramble(reinterpret_cast<unsigned char*>(&data[0]), data.size(), k);
    return data;
}
}  // namespace

TEST(DeliveryChoice, TableRowsAndTheirBoundaries) {
    struct Case {
        std::string prefix;
        int firmware;
        bool scrambled;
    } cases[] = {
        {"WK", 1417, false}, {"WK", 1418, true},  {"WK", 1499, true},  {"WK", 1500, false}, {"WK", 1817, false},
        {"WK", 1818, true},  {"WK", 1899, true},  {"WK", 1900, false}, {"WK", 2130, false}, {"WB", 1401, false},
        {"WB", 1402, true},  {"WB", 2130, true},  {"WB", 9999, true},  {"WC", 1701, false}, {"WC", 1702, true},
        {"WE", 1902, false}, {"WE", 1903, true},  {"XX", 2100, false}, {"XX", 2101, true},  {"XX", 2129, true},
        {"XX", 2130, false}, {"XX", 2131, true},  {"XX", 2169, true},  {"XX", 2170, false}, {"XX", 2171, true},
        {"XX", 2199, true},  {"XX", 2200, true},  {"XX", 2299, true},  {"XX", 2300, false}, {"wb", 1500, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsesScrambledDelivery(Identity(c.prefix, c.firmware)), c.scrambled) << c.prefix << c.firmware;
}

TEST(DeliveryChoice, ShortAndEmptyIdentities) {
    EXPECT_EQ(SerialPrefix("WB FW-2130"), "");
    EXPECT_FALSE(UsesScrambledDelivery("WB FW-2130"));
    EXPECT_TRUE(UsesScrambledDelivery("x FW-2131"));
    EXPECT_EQ(FirmwareNumber(""), 0);
    EXPECT_FALSE(UsesScrambledDelivery(""));
    EXPECT_EQ(FirmwareNumber("ID FW-21x9"), 21);
    EXPECT_EQ(FirmwareNumber("ID FW-x219"), 0);
    char unterminated[100];
    std::fill(unterminated, unterminated + 100, 'A');
    EXPECT_EQ(IdentityText(unterminated).size(), 100u);
}

TEST(TransferCode, DrawnFromTheSecondsAndReadBigEndian) {
    const TransferCode a = DrawTransferCode(1614780309), b = DrawTransferCode(1614780309);
    EXPECT_EQ(a.Text(), b.Text());
    EXPECT_NE(a.Text(), DrawTransferCode(1614780310).Text());
    ASSERT_EQ(a.Text().size(), 8u);
    char expected[9];
    std::snprintf(expected, sizeof expected, "%08X", a.Keystream());
    EXPECT_EQ(a.Text(), expected);
}

TEST(Unscramble, MatchesTheByteWiseComputation) {
    const std::uint32_t k = 0x8BADF00D;
    for (size_t n = 0; n <= 9; ++n) {
        const std::string data = Bytes(n, static_cast<unsigned>(n));
        EXPECT_EQ(Unscrambled(data, k), Reference(data, k)) << n;
    }
    const std::string large = Bytes((1 << 20) + 3, 7);
    EXPECT_EQ(Unscrambled(large, k), Reference(large, k));
    EXPECT_EQ(Unscrambled(Unscrambled(large, k), k), large);
}

TEST(Unscramble, SevenBytesUseTheTopBytesOfTheNextKeystreamWord) {
    const std::uint32_t k = 0x11223344, next = k - 0x3D71A94B;
    const std::string zeros(7, '\0');
    const std::string out = Unscrambled(zeros, k);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0x44);
    EXPECT_EQ(static_cast<unsigned char>(out[3]), 0x11);
    EXPECT_EQ(static_cast<unsigned char>(out[4]), next >> 24);
    EXPECT_EQ(static_cast<unsigned char>(out[5]), (next >> 16) & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(out[6]), (next >> 8) & 0xFF);
}

TEST(KvrNaming, MarkersAndSplit) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t when = 1614780309;  // 2021-03-03 14:05:09 UTC
    struct Case {
        std::string target, output;
    } cases[] = {
        {"O\\V_4711_0_20210303.bin", "O\\V_4711_2021-03-03_14-05-09.kvr"},
        {"O\\C_card_0_", "O\\C_card_2021-03-03_14-05-09.kvr"},
        {"S_folder\\file_0_x", "S_folder\\file_2021-03-03_14-05-09.kvr"},  // a marker in the folder counts
        {"O\\c_lower_0_x", "O\\c_lower_0_x"},                              // lower case does not
        {"_0_C_x", "_0_C_x"},                                              // split at position 0
        {"O\\_0_C_x", "O\\_2021-03-03_14-05-09.kvr"},                   // at the name's start: the folder kept
        {"D:\\V_Lkw_0_12\\A.DDD", "D:\\V_Lkw_0_12\\A.DDD"},                // the folder's split marker counts not
        {"D:\\V_Lkw_0_12\\M_x_0_y", "D:\\V_Lkw_0_12\\M_x_2021-03-03_14-05-09.kvr"},  // its name marker does
        {"O\\C_no_split.ddd", "O\\C_no_split.ddd"},
        {"O\\M_0_other", "O\\M_0_other"},
    };
    for (const Case& c : cases) EXPECT_EQ(KvrOutputPath(c.target, when), c.output) << c.target;
}

TEST(FileNames, TheToolsTemporaryPattern) {
    // This computer's, an earlier version's (ours wherever), another computer's.
    struct Case {
        std::string name;
        bool tools, own;
    } cases[] = {
        {TemporaryName(0), true, true},
        {TemporaryName(12345), true, true},
        {"~MERO0417.PART", true, true},
        {TemporaryName(7).substr(0, 5) + (TemporaryName(7)[5] == '0' ? "1" : "0") + TemporaryName(7).substr(6), true,
         false},
        {"~mero12a4.part", false, false},
        {"~mero.part", false, false},
        {"~meroABCDEFGH-0001.part", false, false},
        {"~meroABCDEF01-.part", false, false},
        {"mero0001.part", false, false},
        {"~mero0001.part.DDD", false, false},
        {"~mero0001.par", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsTemporaryName(c.name), c.tools) << c.name;
        EXPECT_EQ(IsOwnTemporaryName(c.name), c.own) << c.name;
    }
}

TEST(FileNames, OnlyPlainNamesReachTheDisk) {
    for (const char* good : {"A.DDD", "C_20261203_0_X.DDD", "a..b", "CONFIG.SYS", "COM10", "Lkw 12.ddd", "COM\xB4",
                             "NULL.txt", "x CON.DDD", "CONINx"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "..\\evil", "../evil", "a/b", "a\\b", "C:x", "CON", "con.txt", "NUL",
                            "LPT1.dat", "COM3", "aux", "x\ty", "x\ny", "trailing.", "trailing ", "a|b", "a?b",
                            "a*b", "a\"b", "a<b", "NUL .txt", "CON .DDD", "con   .x.y", "COM\xB9", "LPT\xB2.DDD",
                            "com\xB3.txt", "CONIN$", "conout$.log", "LPT0"})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
}
