#include "DialogHarness.h"

#include <chrono>
#include <stdexcept>

DialogHarness::DialogHarness(KeyDescription d, const std::string& tempBase)
    : temp(tempBase), description(std::move(d)) {
    programFolder = MakeFolder(temp / "program") + "\\";
    keyFolder = MakeFolder(temp / "key");
    output = temp / "out\\";
    WriteFile(programFolder + "VantikDll.dll", "library");
    WriteFile(programFolder + "ftd2xx.dll", "driver");
    WriteFile(programFolder + "MERO.ini", "[Key]\r\nMode=1\r\n");
    WriteFile(KeyFile("MERO.ini"), "[Key]\r\nMode=0\r\n");
    system.program.folder = programFolder;
}

void DialogHarness::Start(const std::string& commandLine) {
    description.folder = keyFolder;
    key = std::make_unique<EmulatedKey>(description);
    source.key = key.get();
    dialog = std::make_unique<CMERORVSDlg>(view, system, source, commandLine.empty() ? "\"" + output + "\"" : commandLine,
                                           0xF0F0F0);
    dialog->OnInitDialog();
}

void DialogHarness::WaitForWorker() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        view.RunPosted();
        if (!dialog->WorkerRunning()) return;
        view.WaitForPosted(50);
    } while (std::chrono::steady_clock::now() < deadline);
    throw std::runtime_error("the worker did not end");
}
