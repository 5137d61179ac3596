#include "app/Params.h"

#include <cctype>

#include "platform/Text.h"

void CParams::Parse() {
    Params.clear();
    std::string line = CommandLine;
    if (!line.empty() && line.back() != ' ') line += ' ';

    std::string token;
    bool inQuotes = false;
    const size_t last = line.empty() ? 0 : line.size() - 1;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if ((c != ' ' || inQuotes) && c != '"') token += c;
        if (c == '"') {
            inQuotes = !inQuotes;
            // A quote opens a quoted stretch only at the start of a token, or
            // after a switch's colon: a caller's "/Backup:%FOLDER%" may come quoted.
            if (inQuotes && !token.empty() && !(token[0] == '/' && token.back() == ':')) inQuotes = false;
        }
        if (c == ' ' && (!inQuotes || i == last)) {
            if (!token.empty()) {
                tagParam p;
                p.IsPlain = token[0] != '/' ? 1 : 0;
                p.Text = token;
                Params.push_back(p);
            }
            token.clear();
        }
    }
}

int TimeLimitFromText(const std::string& text) {
    const size_t at = text.find("Min:");
    if (at == std::string::npos || at == 0) return kDefaultTimeLimit;
    const long long minutes = LeadingInteger(text.substr(at + 4));
    if (minutes <= 0) return kDefaultTimeLimit;
    if (minutes > kMaxTimeLimitMinutes) return kMaxTimeLimitMinutes * 60000;
    return static_cast<int>(minutes) * 60000;
}

namespace {
// A switch such as "/backup:" (lower case), in any case.
bool IsSwitch(const std::string& text, const std::string& name) {
    if (text.size() < name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != name[i]) return false;
    return true;
}
}  // namespace

RunSettings InterpretParams(const CParams& params) {
    RunSettings s;
    std::vector<tagParam> p;
    for (const tagParam& param : params.Params) {
        // The last one of each counts.
        if (IsSwitch(param.Text, "/backup:")) {
            s.backupWanted = true;
            s.backupFolder = Trim(param.Text.substr(8));
        } else if (IsSwitch(param.Text, "/log:")) {
            s.logFile = Trim(param.Text.substr(5));
        } else {
            p.push_back(param);
        }
    }
    if (p.size() > 0) {
        s.hasOutputFolder = true;
        s.outputFolder = p[0].Text;
    }
    if (p.size() > 1) s.titleText = p[1].Text;
    if (p.size() > 2) s.compactMode = p[2].Text == "mini";
    if (p.size() > 3) s.timeLimit = TimeLimitFromText(p[3].Text);
    if (p.size() > 4) s.deleteAfterDownload = p[4].Text != "nodelete";
    return s;
}
