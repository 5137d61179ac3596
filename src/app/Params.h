#pragma once
// The positional parameters that calling programs hand to the tool.
#include <string>
#include <vector>

struct tagParam {
    int IsPlain = 1;   // 0 when the parameter starts with "/"
    std::string Text;  // quotes removed, a leading "/" kept
};

class CParams {
public:
    CParams() = default;
    virtual ~CParams() = default;

    // Splits CommandLine at blanks; quotes group only at the start of a token,
    // or right after the colon of a switch ("/Backup:"E:\Sich 2"").
    void Parse();

    std::vector<tagParam> Params;
    std::string CommandLine;
};

// The run settings that parameters 1 to 5 produce, and the switches
// "/Backup:<folder>" and "/Log:<file>", taken out wherever they stand before
// the parameters are counted.
struct RunSettings {
    bool backupWanted = false;  // the switch was given, maybe with nothing after it
    std::string backupFolder;   // blanks at its ends removed
    std::string logFile;        // empty: the month's file under the data root
    bool hasOutputFolder = false;
    std::string outputFolder;
    std::string titleText;
    bool compactMode = false;
    int timeLimit = 7200000;  // milliseconds
    bool deleteAfterDownload = true;
};

constexpr int kDefaultTimeLimit = 7200000;
// The largest minute count whose milliseconds fit a 32-bit signed timer period.
constexpr int kMaxTimeLimitMinutes = 35791;

RunSettings InterpretParams(const CParams& params);
int TimeLimitFromText(const std::string& text);
