#include "KeyDescription.h"

#include <sstream>

#include "platform/Files.h"
#include "platform/Text.h"

namespace {
std::vector<std::string> SplitList(const std::string& value) {
    std::vector<std::string> items;
    std::stringstream stream(value);
    std::string item;
    while (std::getline(stream, item, ','))
        if (!Trim(item).empty()) items.push_back(Trim(item));
    return items;
}

bool IsAbsolute(const std::string& path) {
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string Resolve(const std::string& base, const std::string& path) {
    if (path.empty() || IsAbsolute(path) || base.empty()) return path;
    return base + "\\" + path;
}
}  // namespace

KeyDescription ParseKeyDescription(const std::string& text, const std::string& baseFolder) {
    KeyDescription d;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (Trim(line).empty() || Trim(line)[0] == '#' || eq == std::string::npos) continue;
        const std::string name = Trim(line.substr(0, eq));
        // Values keep inner and trailing blanks only when quoted.
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        const int number = static_cast<int>(LeadingInteger(value));
        if (name == "folder") d.folder = Resolve(baseFolder, value);
        else if (name == "identity") d.identity = value;
        else if (name == "version") d.version = value;
        else if (name == "send") d.sendAnswer = number;
        else if (name == "poll") {
            d.pollAnswers.clear();
            for (const std::string& a : SplitList(value)) d.pollAnswers.push_back(static_cast<int>(LeadingInteger(a)));
        }
        else if (name == "fetch") d.fetchFolder = Resolve(baseFolder, value);
        else if (name == "order") d.order = SplitList(value);
        else if (name == "presence") d.presenceFile = Resolve(baseFolder, value);
        else if (name == "trace") d.traceFile = Resolve(baseFolder, value);
        else if (name == "calls") d.callLog = Resolve(baseFolder, value);
        else if (name == "delete_delay") d.deleteDelay = number;
        else if (name == "open_fails") d.openFails = number != 0;
        else if (name == "opens_before_failure") d.opensBeforeFailure = number;
        else if (name == "delete_fails") d.deleteFails = SplitList(value);
        else if (name == "hold_written") d.holdWritten = number;
        else if (name == "identify_fails") d.identifyFailures = number;
        else if (name == "directory_fails_after") d.directoryReadsBeforeFailure = number;
        else if (name == "read_fails") d.readFails = SplitList(value);
        else if (name == "read_truncated") d.readTruncated = SplitList(value);
        else if (name == "read_silent") d.readSilent = SplitList(value);
        else if (name == "read_errors") d.readErrors = SplitList(value);
        else if (name == "read_partial") d.readPartial = SplitList(value);
        else if (name == "read_longer") d.readLonger = SplitList(value);
        else if (name == "alias") {
            const size_t arrow = value.find("=>");
            if (arrow != std::string::npos)
                d.aliases.emplace_back(Trim(value.substr(0, arrow)), Trim(value.substr(arrow + 2)));
        }
        else if (name == "unterminated_slots") d.unterminatedSlots = number != 0;
        else if (name == "read_speed") d.readSpeed = LeadingInteger(value);
    }
    return d;
}

bool LoadKeyDescription(const std::string& path, KeyDescription& description) {
    std::vector<unsigned char> content;
    if (!ReadWholeFile(path, content)) return false;
    const size_t slash = path.find_last_of("\\/");
    const std::string base = slash == std::string::npos ? std::string() : path.substr(0, slash);
    description = ParseKeyDescription(std::string(content.begin(), content.end()), base);
    return true;
}
