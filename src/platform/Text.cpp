#include "platform/Text.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

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
