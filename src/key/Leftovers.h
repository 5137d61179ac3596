#pragma once
// The tool's temporary files that a killed run or a power cut left behind on
// this computer.
#include <string>
#include <vector>

// Removes them from folder. On FAT and exFAT, where a rename cut midway can
// leave both names on the same clusters and deleting either name frees the
// other's data, one that holds data stays (the final file may have been moved
// away since); elsewhere, one whose bytes a final file there holds too.
// Returns a status line for each that stays.
std::vector<std::string> RemoveLeftovers(const std::string& folder);
