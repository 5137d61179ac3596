#include "platform/Text.h"

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <vector>

namespace {
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

long long LeadingInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const long long limit = std::numeric_limits<long long>::max() / 10 - 9;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < limit) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string ClampedSubstr(const std::string& text, long long start, long long length) {
    if (start < 0) start = 0;
    if (length < 0) length = 0;
    const long long size = static_cast<long long>(text.size());
    if (start >= size) return std::string();
    if (length > size - start) length = size - start;
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (needed > 0) {
        result.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(&result[0], result.size(), format, args);
        result.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    return result;
}

std::string CollapsedPath(const std::string& path) {
    // The root stays: "X:\" or "\\server\share\".
    size_t rootEnd = path.size() >= 3 && path[1] == ':' ? 3 : 0;
    if (path.compare(0, 2, "\\\\") == 0) {
        const size_t server = path.find('\\', 2);
        const size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
        rootEnd = share == std::string::npos ? path.size() : share + 1;
    }
    std::string result = path.substr(0, rootEnd);
    std::vector<std::string> parts;
    size_t start = rootEnd;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (part != "." && !part.empty()) {
            parts.push_back(part);
        }
        start = end + 1;
    }
    for (size_t i = 0; i < parts.size(); ++i) result += (i ? "\\" : "") + parts[i];
    if (!parts.empty() && !path.empty() && path.back() == '\\') result += '\\';
    return result;
}
