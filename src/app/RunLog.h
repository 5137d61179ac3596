#pragma once
// The run log: the account of every run that reached the key, kept where
// support finds it the morning after, never in the output or backup folder
// (calling programs import whatever lies there). A run writes one line when
// it starts, so that a run killed or cut off still shows, and its block at
// the end, each in one write, so that two instances appending at once never
// mix their lines. Windows-1252 text with CR LF, as Notepad shows it.
#include <mutex>
#include <string>

class RunLog {
public:
    // Writes the start line at once and starts a block for the file given
    // (empty: the run keeps no log). False when the start line could not be written.
    bool Begin(const std::string& file, const std::string& startLine, const std::string& heading);
    // Ignored outside a block; any thread.
    void Line(const std::string& text);
    // Appends the block, handed to the disk, and ends it; false when the log
    // could not be written. Without a block, true.
    bool Finish();
    bool InBlock();
    // One line on its own (a command's), in one write.
    static bool WriteLine(const std::string& file, const std::string& line);

private:
    std::mutex m_;
    std::string file_, block_;
    bool open_ = false;
};

// "<data root>\Daten\Protokoll\" and "KeyDownload_YYYY-MM.log", the month's file in a log folder.
std::string DefaultLogFolder(const std::string& dataRoot);
std::string MonthlyLogName(int year, int month);

// What "/Log:" named, as a full path: a file, or a folder (ending in a
// backslash) for the month's file in it; empty when it is no full path
// (relative to whatever folder the caller ran in, or to the current drive).
std::string ResolveLogSwitch(const std::string& given);
