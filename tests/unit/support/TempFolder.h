#pragma once
// A fresh folder for one test, removed afterwards, and small file helpers.
// Paths are written the Windows way (backslashes), as the tool uses them.
#include <string>
#include <vector>

class TempFolder {
public:
    // In the system's temporary folder, or in base when given.
    explicit TempFolder(const std::string& base = std::string());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }       // no trailing separator
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);  // "" when missing
std::string MakeFolder(const std::string& path);
std::string Bytes(size_t size, unsigned seed);  // deterministic content

// Makes a folder the current one for a scope.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::string previous_;
};
