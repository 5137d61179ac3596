#pragma once
// How a run's choices read in a counter-example.
#include <string>

#include "platform/Text.h"

inline const char* const kVolumeKindNames[] = {"FAT", "NTFS", "a file server's share", "refusing the cache flush",
                                                 "a share giving every file one identity"};
inline const char* const kFaultNames[] = {"none", "error with full file", "fails", "truncated", "partial", "silent",
                                          "longer than listed"};
inline const char* const kDiskFaultNames[] = {"", "write", "flush", "rename", "removal", "volume's flush"};

// A name as a C string literal would show it: bytes outside ASCII in hex.
inline std::string Quoted(const std::string& text) {
    std::string q = "\"";
    for (unsigned char ch : text) q += ch < 0x20 || ch >= 0x7F ? Format("\\x%02X", ch) : std::string(1, ch);
    return q + "\"";
}
