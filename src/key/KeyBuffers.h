#pragma once
// Texts handed to the key library travel in caller-owned buffers of the
// contract's sizes: zero-filled, the text cut to leave room for its NUL.
#include <algorithm>
#include <cstring>
#include <string>

template <size_t N>
void FillBuffer(char (&buffer)[N], const std::string& text) {
    std::memset(buffer, 0, N);
    std::memcpy(buffer, text.data(), std::min(text.size(), N - 1));
}
