#pragma once
// A folder's files as name (or path) -> content, and how two such maps compare.
#include <cctype>
#include <map>
#include <set>
#include <string>

#include "TempFolder.h"
#include "platform/Files.h"

using FileMap = std::map<std::string, std::string>;  // name or path -> content

inline FileMap FolderFiles(const std::string& folder) {
    FileMap files;
    for (const std::string& name : ListFolder(folder))
        if (!IsFolder(folder + name)) files[name] = ReadFile(folder + name);
    return files;
}

// Every file below folder, except in the folders skipped.
inline void TreeFiles(const std::string& folder, const std::set<std::string>& skip, FileMap& files) {
    for (const std::string& name : ListFolder(folder)) {
        const std::string path = folder + "\\" + name;
        if (skip.count(path)) continue;
        if (IsFolder(path)) {
            files[path + "\\"] = "(folder)";
            TreeFiles(path, skip, files);
        } else {
            files[path] = ReadFile(path);
        }
    }
}

// The first path that one map has and the other has not, or has otherwise.
inline std::string FirstDifference(const FileMap& a, const FileMap& b) {
    for (const FileMap* side : {&a, &b}) {
        const FileMap& other = side == &a ? b : a;
        for (const auto& [path, content] : *side) {
            const auto there = other.find(path);
            if (there == other.end() || there->second != content) return path;
        }
    }
    return std::string();
}

inline bool EndsWithKvr(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& ch : end) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return end == ".kvr";
}

// The entry that the file system takes for this name: the platform compares.
inline FileMap::const_iterator FindName(const FileMap& files, const std::string& name) {
    for (auto it = files.begin(); it != files.end(); ++it)
        if (SameFileName(it->first, name)) return it;
    return files.end();
}

// Still the bytes a file of that name had before.
inline bool HoldsAsBefore(const FileMap& before, const std::string& name, const std::string& content) {
    const auto was = FindName(before, name);
    return was != before.end() && was->second == content;
}
