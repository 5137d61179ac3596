#pragma once
// One dialog wired to a recording view, a fake system and an emulated key over
// temporary folders: the program folder (with the library files), the key's
// folder and the output folder.
#include <memory>
#include <string>

#include "EmulatedKey.h"
#include "FakeSystem.h"
#include "RecordingView.h"
#include "TempFolder.h"
#include "app/MainDialog.h"

class FixedKeySource : public IKeyLibrarySource {
public:
    IKeyLibrary* key = nullptr;
    IKeyLibrary* Get() override { return key; }
};

class DialogHarness {
public:
    // tempBase: where the temporary folders go; the system's temporary folder when empty.
    explicit DialogHarness(KeyDescription description = KeyDescription(), const std::string& tempBase = std::string());

    // The command line; when empty, the output folder is passed as parameter 1.
    void Start(const std::string& commandLine = std::string());
    // Runs posted tasks until the running worker has ended.
    void WaitForWorker();
    void Click(int id) { dialog->OnButtonClicked(id); }

    std::string Out(const std::string& name) const { return output + name; }
    std::string KeyFile(const std::string& name) const { return keyFolder + "\\" + name; }
    std::string Log() { return view.GetText(1008); }

    TempFolder temp;
    CurrentFolder inTemp{temp.Path()};  // stray relative paths land in the temp folder
    std::string programFolder, keyFolder, output;
    KeyDescription description;
    RecordingView view;
    FakeSystem system;
    FixedKeySource source;
    std::unique_ptr<EmulatedKey> key;
    std::unique_ptr<CMERORVSDlg> dialog;
};
