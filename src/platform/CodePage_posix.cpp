// Away from Windows the tool's texts are taken as Windows-1252.
#include "platform/CodePage.h"

namespace {
// 0x80-0x9F of Windows-1252; the undefined bytes keep their C1 control.
const unsigned short kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

std::string Utf8FromAnsi(const std::string& text) {
    std::string utf8;
    for (unsigned char c : text) {
        const unsigned u = c >= 0x80 && c < 0xA0 ? kHighControls[c - 0x80] : c;
        if (u < 0x80) {
            utf8 += static_cast<char>(u);
        } else if (u < 0x800) {
            utf8 += static_cast<char>(0xC0 | u >> 6);
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | u >> 12);
            utf8 += static_cast<char>(0x80 | (u >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return utf8;
}
