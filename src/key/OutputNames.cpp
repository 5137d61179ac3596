#include "key/OutputNames.h"

#include "platform/LocalTime.h"
#include "platform/Text.h"

namespace {
// Upper case as Windows folds names of the ANSI code page 1252: ASCII, the
// accented Latin-1 letters (not the multiplication sign), and the few letters
// of 0x80-0x9F. "ß" and "µ" have no single-character upper case there.
unsigned char FoldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;  // š
        case 0x9C: return 0x8C;  // œ
        case 0x9E: return 0x8E;  // ž
        case 0xFF: return 0x9F;  // ÿ
        default: return c;
    }
}

std::string Folded(std::string s) {
    for (char& c : s) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
    return s;
}

// Windows' device names: the part before the first dot, blanks at its end
// dropped, is CON, PRN, AUX, NUL, CONIN$, CONOUT$, or COM/LPT with a digit or
// a superscript one, two or three.
bool IsDeviceName(const std::string& name) {
    std::string stem = Folded(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return true;
    if (stem.size() != 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0)) return false;
    const unsigned char n = static_cast<unsigned char>(stem[3]);
    return (n >= '0' && n <= '9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
}

const char kTemporaryPrefix[] = "~MERO";
const char kTemporarySuffix[] = ".PART";
}  // namespace

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
        switch (c) {
            case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
                return false;
            default:
                break;
        }
    }
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

std::string TemporaryName(int number) { return Format("~mero%04d.part", number); }

bool IsTemporaryName(const std::string& name) {
    const std::string n = Folded(name);
    const size_t prefix = sizeof kTemporaryPrefix - 1, suffix = sizeof kTemporarySuffix - 1;
    if (n.size() <= prefix + suffix || n.compare(0, prefix, kTemporaryPrefix) != 0 ||
        n.compare(n.size() - suffix, suffix, kTemporarySuffix) != 0)
        return false;
    for (size_t i = prefix; i < n.size() - suffix; ++i)
        if (n[i] < '0' || n[i] > '9') return false;
    return true;
}

std::string WindowsNameKey(const std::string& path) {
    std::string key = Folded(path);
    while (!key.empty() && (key.back() == '.' || key.back() == ' ')) key.pop_back();
    return key;
}

std::string KvrOutputPath(const std::string& targetPath, std::time_t when) {
    const bool marker = targetPath.find("C_") != std::string::npos || targetPath.find("S_") != std::string::npos ||
                        targetPath.find("V_") != std::string::npos;
    const size_t nameAt = targetPath.rfind('\\') == std::string::npos ? 0 : targetPath.rfind('\\') + 1;
    const size_t splitAt = targetPath.find("_0_", nameAt);
    if (!marker || splitAt == std::string::npos || splitAt == nameAt) return targetPath;
    const std::tm t = LocalTime(when);
    // "%s_%04i-%02i-%02i_%02i-%02i-%02i.kvr", the kept part appended as it is, whatever bytes it holds.
    return targetPath.substr(0, splitAt) + Format("_%04i-%02i-%02i_%02i-%02i-%02i.kvr", t.tm_year + 1900, t.tm_mon + 1,
                                                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

bool OutputNamer::Taken(const std::string& path) const { return taken_.count(WindowsNameKey(path)) != 0; }

void OutputNamer::Record(const std::string& path) { taken_.insert(WindowsNameKey(path)); }

std::string OutputNamer::KvrPath(const std::string& targetPath, std::time_t when) const {
    std::string path = KvrOutputPath(targetPath, when);
    if (path == targetPath) return path;
    while (Taken(path)) path = KvrOutputPath(targetPath, ++when);
    return path;
}
