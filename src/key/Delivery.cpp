#include "key/Delivery.h"

#include <cstring>

#include "platform/Text.h"

std::string IdentityText(const char* buffer100) {
    const void* nul = std::memchr(buffer100, 0, 100);
    return std::string(buffer100, nul ? static_cast<const char*>(nul) - buffer100 : 100);
}

int FirmwareNumber(const std::string& identity) {
    if (identity.size() < 4) return 0;
    return static_cast<int>(LeadingInteger(identity.substr(identity.size() - 4)));
}

std::string SerialPrefix(const std::string& identity) {
    return identity.size() < 20 ? std::string() : identity.substr(10, 2);
}

bool UsesScrambledDelivery(const std::string& identity) {
    const int fw = FirmwareNumber(identity);
    const std::string prefix = SerialPrefix(identity);
    if (prefix == "WK" && ((fw >= 1418 && fw <= 1499) || (fw >= 1818 && fw <= 1899))) return true;
    if (prefix == "WB" && fw >= 1402) return true;
    if (prefix == "WC" && fw >= 1702) return true;
    if (prefix == "WE" && fw >= 1903) return true;
    return (fw >= 2101 && fw <= 2129) || (fw >= 2131 && fw <= 2169) || (fw >= 2171 && fw <= 2199) ||
           (fw >= 2200 && fw <= 2299);
}

std::string TransferCode::Text() const {
    return Format("%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2], bytes[3]);
}

std::uint32_t TransferCode::Keystream() const {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) |
           std::uint32_t(bytes[3]);
}

TransferCode DrawTransferCode(std::time_t seconds) {
    // The C runtime's generator, spelled out so every build draws the same.
    std::uint32_t state = static_cast<std::uint32_t>(seconds);
    TransferCode code;
    for (unsigned char& b : code.bytes) {
        state = state * 214013u + 2531011u;
        b = static_cast<unsigned char>((state >> 16) & 0x7FFF);
    }
    return code;
}

void Unscramble(unsigned char* data, size_t size, std::uint32_t keystream) {
    const size_t groups = size / 4;
    std::uint32_t k = keystream;
    size_t j = 0;
    // Two little-endian groups per 64-bit word keep the loop at memory speed.
    for (; j + 1 < groups; j += 2) {
        std::uint64_t word;
        std::memcpy(&word, data + 4 * j, 8);
        const std::uint32_t next = k - kKeystreamStep;
        const std::uint64_t mask = std::uint64_t(k) | (std::uint64_t(next) << 32);
        unsigned char bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(mask >> (8 * i));
        std::uint64_t maskWord;
        std::memcpy(&maskWord, bytes, 8);
        word ^= maskWord;
        std::memcpy(data + 4 * j, &word, 8);
        k = next - kKeystreamStep;
    }
    for (; j < groups; ++j) {
        unsigned char* g = data + 4 * j;
        for (int i = 0; i < 4; ++i) g[i] ^= static_cast<unsigned char>(k >> (8 * i));
        k -= kKeystreamStep;
    }
    // The remaining bytes take K's bytes from the most significant down.
    unsigned char* tail = data + 4 * groups;
    for (size_t i = 0; i < size % 4; ++i) tail[i] ^= static_cast<unsigned char>(k >> (24 - 8 * i));
}
