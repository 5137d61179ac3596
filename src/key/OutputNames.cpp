#include "key/OutputNames.h"

#include <cctype>

#include "platform/LocalTime.h"
#include "platform/Text.h"

namespace {
std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool IsDeviceName(const std::string& name) {
    const std::string stem = Upper(name.substr(0, name.find('.')));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '0' && stem[3] <= '9';
}

bool HasKvrMarkers(const std::string& path, size_t& splitAt) {
    const bool marker = path.find("C_") != std::string::npos || path.find("S_") != std::string::npos ||
                        path.find("V_") != std::string::npos;
    splitAt = path.find("_0_");
    return marker && splitAt != std::string::npos && splitAt > 0;
}
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

std::string KvrOutputPath(const std::string& targetPath, std::time_t when) {
    size_t splitAt = 0;
    if (!HasKvrMarkers(targetPath, splitAt)) return targetPath;
    const std::tm t = LocalTime(when);
    return Format("%s_%04i-%02i-%02i_%02i-%02i-%02i.kvr", targetPath.substr(0, splitAt).c_str(), t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

std::string KvrNamer::OutputPath(const std::string& targetPath, std::time_t when) {
    std::string path = KvrOutputPath(targetPath, when);
    if (path == targetPath) return path;
    while (used_.count(path)) path = KvrOutputPath(targetPath, ++when);
    used_.insert(path);
    return path;
}
