#include "app/RunLog.h"

#include "app/FolderChain.h"
#include "platform/Files.h"
#include "platform/Text.h"

void RunLog::Begin(const std::string& file, const std::string& heading) {
    const std::lock_guard<std::mutex> l(m_);
    file_ = file;
    block_.clear();
    open_ = !file.empty();
    if (open_) block_ = heading + "\r\n";
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
    const size_t cut = file.rfind('\\');
    if (cut != std::string::npos && !IsFolder(file.substr(0, cut + 1)))
        CreateFolderChain(file.substr(0, cut + 1), [](const std::string& f) { CreateFolder(f); });
    return AppendToFile(file, block + "\r\n");
}

bool RunLog::InBlock() {
    const std::lock_guard<std::mutex> l(m_);
    return open_;
}

std::string MonthlyLogFile(const std::string& dataRoot, int year, int month) {
    return dataRoot + Format("\\Daten\\Protokoll\\KeyDownload_%04d-%02d.log", year, month);
}
