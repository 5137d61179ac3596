// The hidden maintenance buttons: identify with library version, delete the
// selected files, format the key, and set the serial speed.
#include "app/MainDialog.h"
#include "commands/VersionLine.h"
#include "key/Delivery.h"
#include "key/KeyBuffers.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "res/resource.h"

std::string VersionLine(const std::string& versionText) {
    const long long pV = static_cast<long long>(versionText.find("version:"));
    const long long pB = static_cast<long long>(versionText.find("build:"));
    const long long pQ = static_cast<long long>(versionText.find("(QRM)"));
    const auto position = [](long long p) { return p == static_cast<long long>(std::string::npos) ? -1 : p; };
    const long long v = position(pV), b = position(pB), q = position(pQ);
    const std::string version = ClampedSubstr(versionText, v + 8, b - v - 8);
    const std::string build = Trim(ClampedSubstr(versionText, b + 6, q - b - 6));
    return version + "\r\n\t" + build;
}

void CMERORVSDlg::InitKey() {
    if (RefusedWhileWorkerRuns()) return;
    view_.SetWaitCursor(true);
    std::string message = MissingLibraryMessage();
    if (message.empty()) {
        IKeyLibrary& key = *Library();
        char identity[kIdentityBufferSize] = {};
        for (int attempt = 1; attempt <= 5; ++attempt) {
            const char* version = key.KeyGetDllVersion();
            const std::string line = VersionLine(version ? std::string(version) : std::string());
            if (key.KeyIdentify(identity) == 0) {
                message = Format("DLL Vers: %s\r\n%s\r\n%s", line.c_str(), IdentityText(identity).c_str(), "Key Found");
                break;
            }
            message = Format("DLL Vers: %s\r\n%s", line.c_str(), "Key Not Found");
            system_.Sleep(100);
        }
    }
    AppendStatusLine(message);
    LogCommand("Key initialisieren: " + message);
    view_.SetWaitCursor(false);
}

void CMERORVSDlg::DeleteSelectedKeyFiles() {
    if (RefusedWhileWorkerRuns()) return;
    view_.SetWaitCursor(true);
    std::vector<int> rows = view_.ListSelectedEntries(IDC_FILE_LIST);
    if (rows.size() > 99) rows.resize(99);
    IKeyLibrary* key = nullptr;
    if (DeleteAfterDownload_) {
        const std::string missing = MissingLibraryMessage();
        if (missing.empty()) key = Library();
        else AppendStatusLine(missing);
    }
    if (key) {
        for (int entry : rows)
            if (entry >= 0 && static_cast<size_t>(entry) < KeyFileList_.size()) KeyFileList_[entry].selected = true;
        int count = 0;
        if (key->KeyOpen() == 0) {
            for (const KeyFileEntry& entry : KeyFileList_) {
                if (!entry.selected) continue;
                char name[kKeyNameBufferSize];
                FillBuffer(name, entry.name);
                key->KeyDeleteFile(name);
                ++count;
            }
            key->KeyClose();
        }
        AppendStatusLine(Format("Es wurde(n) %d File(s) gel\xF6scht", count));  // "gelöscht"
        LogCommand(Format("Key Datei l\xF6schen: %d Datei(en) gel\xF6scht", count));
        ListKeyDirectory();
    }
    view_.SetWaitCursor(false);
}

void CMERORVSDlg::FormatKey() {
    if (RefusedWhileWorkerRuns()) return;
    view_.SetWaitCursor(true);
    const std::string parameterFile = program_.folder + kParameterFileName;
    std::string message = MissingLibraryMessage();
    if (message.empty() && FileSize(parameterFile) < 0) {
        // Formatting now would leave the key without its parameter file.
        message = Format("Key nicht formatiert: %s fehlt", parameterFile.c_str());
    } else if (message.empty()) {
        IKeyLibrary& key = *Library();
        char name[kKeyNameBufferSize];
        char path[kPathBufferSize];
        FillBuffer(name, kParameterFileName);
        FillBuffer(path, parameterFile);
        char identity[kIdentityBufferSize] = {};
        if (key.KeyIdentify(identity) != 0 || identity[0] == 0) {
            message = "Key not found";
        } else if (key.KeyOpen() == 0) {
            key.KeyFormat();
            message = "Key formated";
            key.KeyWriteFile(name, path);
            key.KeyClose();
        }
    }
    AppendStatusLine(message);
    LogCommand("Key formatieren: " + message);
    ListKeyDirectory();
    view_.SetWaitCursor(false);
}

void CMERORVSDlg::TestBaudRate() {
    if (RefusedWhileWorkerRuns()) return;
    if (IKeyLibrary* key = Library()) {
        const int speed = ReadBaudRateChoice();
        LogCommand(Format("Baudrate: %d, Antwort %d", speed, key->KeySetBaudRate(speed)));
    }
}
