// "Key vorbereiten", also run once shortly after start-up: identify the key,
// show its edition and modes, read its directory, choose the default mode.
#include "app/MainDialog.h"
#include "commands/Editions.h"
#include "key/Delivery.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "res/resource.h"

namespace {
const int kEditionButtons[5] = {IDC_KEY_1, IDC_KEY_2, IDC_KEY_1_2, IDC_KEY_4, IDC_KEY_5};
}  // namespace

std::string CMERORVSDlg::MissingLibraryMessage() {
    // Both files first: a library that needs its driver library at load time
    // would otherwise fail to load and be reported missing itself.
    if (!PathExists(KeyLibraryPath_)) return "VantikDll.dll fehlt";
    if (!PathExists(DriverLibraryPath_)) return "ftd2xx.dll fehlt";
    if (!Library()) return "VantikDll.dll fehlt";
    return std::string();
}

void CMERORVSDlg::PrepareKey(bool announceKey) {
    if (RefusedWhileWorkerRuns()) return;
    KeyIdentified_ = false;
    KeyText_.clear();
    std::string logged = "kein Key";
    view_.SetWaitCursor(true);
    for (int id : kEditionButtons) view_.Show(id, false);
    view_.SetText(IDC_COUNTER, "Download 0 - 0");
    view_.SetText(IDC_SERIAL, "SN: ");
    // The command line's "nodelete" keeps counting after a preparation.
    view_.SetCheck(IDC_DELETE_AFTER, DeleteAfterDownload_);
    view_.Enable(IDC_DELETE_AFTER, false);
    view_.Enable(IDC_PREPARE_KEY, false);

    const std::string message = MissingLibraryMessage();
    if (message.empty()) {
        IKeyLibrary& key = *Library();
        char identity[kIdentityBufferSize] = {};
        if (key.KeyIdentify(identity) == 0) {
            KeyIdentified_ = true;
            if (announceKey) AppendStatusLine("Key erkannt");
            for (int id : kEditionButtons) view_.Show(id, false);
            key.KeyReset();
            system_.Sleep(1000);
            const std::string text = IdentityText(identity);
            const EditionInfo edition = EditionFromIdentity(text);
            view_.SetText(IDC_SERIAL, Format("SN: %s\r\n( %s )", text.c_str(), edition.name.c_str()));
            KeyText_ = Format("%s ( %s )", text.c_str(), edition.name.c_str());
            logged = KeyText_;
            for (int id : kEditionButtons) view_.Show(id, false);
            if (edition.edition != KeyEdition::None) {
                view_.SetTitle(TitleForEdition(view_.GetTitle(), edition.edition));
                const EditionCaptions captions = CaptionsOf(edition.edition);
                for (int i = 0; i < 5; ++i) {
                    if (!captions.captions[i]) continue;
                    view_.SetText(kEditionButtons[i], captions.captions[i]);
                    view_.Show(kEditionButtons[i], true);
                }
            }
        }

        KeyFileList_.clear();
        DirectoryTable table;
        if (key.KeyReadDirectory(table.Pointers()) == 0) {
            FillFileList(table);
            const int n = static_cast<int>(KeyFileList_.size());
            logged += Format(", %d Datei(en)", n);
            const bool hasFiles = n > 0;
            view_.SetText(IDC_COUNTER, Format("Download 0 - %d", n));
            for (int id : kEditionButtons) view_.Enable(id, !hasFiles);
            view_.Enable(IDC_KEY_TO_PC, hasFiles);
            view_.Enable(IDC_DELETE_AFTER, hasFiles);
            SelectedMode_ = hasFiles ? kModeKeyToPc : 0;
            WriteModeButtons(SelectedMode_);
            UpdateStartButton();
        }
    }

    AppendStatusLine(message);
    LogCommand("Key vorbereiten: " + (message.empty() ? logged : message));
    view_.Enable(IDC_PREPARE_KEY, true);
    view_.SetWaitCursor(false);
}
