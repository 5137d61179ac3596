// "Verzeichnisliste": rebuilds the file list and its list box from the key.
#include "app/MainDialog.h"
#include "platform/Text.h"
#include "res/resource.h"

bool CMERORVSDlg::ListKeyDirectory() {
    KeyFileList_.clear();
    view_.Enable(IDC_PREPARE_KEY, false);
    DirectoryTable table;
    IKeyLibrary* key = Library();
    const bool answered = key && key->KeyReadDirectory(table.Pointers()) == 0;
    FillFileList(table);
    AppendStatusLine(Format("Es wurden %d File(s) gefunden!", static_cast<int>(KeyFileList_.size())));
    return answered;
}

void CMERORVSDlg::FillFileList(const DirectoryTable& table) {
    KeyFileList_ = EntriesFromDirectory(table);
    std::vector<ListRow> rows;
    for (size_t i = 0; i < KeyFileList_.size(); ++i)
        rows.push_back({ListRowText(KeyFileList_[i]), static_cast<int>(i)});
    view_.ListFill(IDC_FILE_LIST, rows);
}
