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
    const std::uint32_t probe = 1;
    const bool littleEndian = *reinterpret_cast<const unsigned char*>(&probe) == 1;
    if (littleEndian) {
        // Each group's keystream word in closed form: no step depends on the
        // one before, so the compiler can work on many groups at once.
        for (size_t j = 0; j < groups; ++j) {
            std::uint32_t group;
            std::memcpy(&group, data + 4 * j, 4);
            group ^= keystream - static_cast<std::uint32_t>(j) * kKeystreamStep;
            std::memcpy(data + 4 * j, &group, 4);
        }
    } else {
        for (size_t j = 0; j < groups; ++j) {
            const std::uint32_t k = keystream - static_cast<std::uint32_t>(j) * kKeystreamStep;
            for (int i = 0; i < 4; ++i) data[4 * j + i] ^= static_cast<unsigned char>(k >> (8 * i));
        }
    }
    // The remaining bytes take the next word's bytes from the most significant down.
    const std::uint32_t k = keystream - static_cast<std::uint32_t>(groups) * kKeystreamStep;
    unsigned char* tail = data + 4 * groups;
    for (size_t i = 0; i < size % 4; ++i) tail[i] ^= static_cast<unsigned char>(k >> (24 - 8 * i));
}
