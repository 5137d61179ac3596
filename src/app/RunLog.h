#pragma once
// The run log: the account of every run that reached the key, kept where
// support finds it the morning after, never in the output or backup folder
// (calling programs import whatever lies there). A run's lines make one block,
// appended in one write, so that two instances appending at once never mix
// their lines. Windows-1252 text with CR LF, as Notepad shows it.
#include <mutex>
#include <string>

class RunLog {
public:
    // Starts a block for the file given (empty: the run keeps no log).
    void Begin(const std::string& file, const std::string& heading);
    // Ignored outside a block; any thread.
    void Line(const std::string& text);
    // Appends the block and ends it; false when the log could not be written.
    // Without a block, true.
    bool Finish();
    bool InBlock();

private:
    std::mutex m_;
    std::string file_, block_;
    bool open_ = false;
};

// "<data root>\Daten\Protokoll\KeyDownload_YYYY-MM.log" for a moment's month.
std::string MonthlyLogFile(const std::string& dataRoot, int year, int month);
