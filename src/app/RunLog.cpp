#include "app/RunLog.h"

#include "app/FolderChain.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {
bool AppendCreatingFolder(const std::string& file, const std::string& text, bool durable) {
    const size_t cut = file.rfind('\\');
    if (cut != std::string::npos && !IsFolder(file.substr(0, cut + 1)))
        CreateFolderChain(file.substr(0, cut + 1), [](const std::string& f) { CreateFolder(f); });
    return AppendToFile(file, text, durable);
}
}  // namespace

bool RunLog::Begin(const std::string& file, const std::string& startLine, const std::string& heading) {
    {
        const std::lock_guard<std::mutex> l(m_);
        file_ = file;
        block_.clear();
        open_ = !file.empty();
        if (!open_) return true;
        block_ = heading + "\r\n";
    }
    return AppendCreatingFolder(file, startLine + "\r\n", false);
}

void RunLog::Line(const std::string& text) {
    const std::lock_guard<std::mutex> l(m_);
    if (!open_) return;
    // A status line of several lines stays one entry: its lines indented.
    std::string entry = "  ";
    for (const char c : text) {
        if (c == '\r') continue;
        entry += c == '\n' ? "\r\n    " : std::string(1, c);
    }
    block_ += entry + "\r\n";
}

bool RunLog::Finish() {
    std::string file, block;
    {
        const std::lock_guard<std::mutex> l(m_);
        if (!open_) return true;
        open_ = false;
        file.swap(file_);
        block.swap(block_);
    }
    return AppendCreatingFolder(file, block + "\r\n", true);
}

bool RunLog::InBlock() {
    const std::lock_guard<std::mutex> l(m_);
    return open_;
}

bool RunLog::WriteLine(const std::string& file, const std::string& line) {
    return AppendCreatingFolder(file, line + "\r\n", false);
}

std::string DefaultLogFolder(const std::string& dataRoot) { return dataRoot + "\\Daten\\Protokoll\\"; }

std::string MonthlyLogName(int year, int month) { return Format("KeyDownload_%04d-%02d.log", year, month); }

std::string ResolveLogSwitch(const std::string& given) {
    const std::string full = FullPath(given);
    if (full.empty() || given.empty()) return std::string();
    // A folder means the month's file in it.
    if (full.back() != '\\' && (given.back() == '\\' || IsFolder(full))) return full + '\\';
    return full;
}
