#pragma once
#include <ctime>

inline std::tm LocalTime(std::time_t t) {
    std::tm result{};
#if defined(_WIN32)
    localtime_s(&result, &t);
#else
    localtime_r(&t, &result);
#endif
    return result;
}
