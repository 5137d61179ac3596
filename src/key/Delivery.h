#pragma once
// How a key hands a file over: plain, or scrambled with a transfer code.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// The identity text of a 100-byte buffer: up to its first NUL, at most 100.
std::string IdentityText(const char* buffer100);

int FirmwareNumber(const std::string& identity);
std::string SerialPrefix(const std::string& identity);
bool UsesScrambledDelivery(const std::string& identity);

// Four bytes drawn from a generator seeded with the time in seconds.
struct TransferCode {
    unsigned char bytes[4];
    std::string Text() const;         // "%02X" per byte, b0 first
    std::uint32_t Keystream() const;  // b0..b3 read big-endian
};
TransferCode DrawTransferCode(std::time_t seconds);

constexpr std::uint32_t kKeystreamStep = 0x3D71A94B;

// XORs the keystream over the data in place; applying it twice restores it.
void Unscramble(unsigned char* data, size_t size, std::uint32_t keystream);
