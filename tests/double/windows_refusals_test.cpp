// What Windows refuses and Wine allows, over the unkind file layer.
#include <gtest/gtest.h>

#include <filesystem>

#include "DialogHarness.h"
#include "UnkindFiles.h"
#include "res/resource.h"

// An earlier file of that very name that is read-only loses the attribute and
// goes the way of any earlier file: replaced by the plain delivery, removed
// after a .kvr store; the status log says so, and nothing else changes.
TEST(WindowsRefusals, AReadOnlyEarlierFileOfThatVeryNameLosesTheAttribute) {
    for (bool scrambled : {false, true}) {
        SCOPED_TRACE(scrambled ? "scrambled" : "plain");
        unkind::Reset({std::filesystem::temp_directory_path().string()});
        KeyDescription d;
        d.identity = scrambled ? "VANTIK-ID:WB12345678 FW-2131" : "VANTIK-ID:WK12345678 FW-2130";
        DialogHarness h(d);
        const std::string name = "C_20261203_0_MUSTERMANN.DDD";
        WriteFile(h.KeyFile(name), "the key's file");
        MakeFolder(h.output);
        WriteFile(h.Out(name), "earlier download");
        unkind::SetReadOnly(h.Out(name));
        h.Start();
        h.dialog->OnTimer(kStartupTimer);
        h.Click(IDC_START);
        h.WaitForWorker();
        EXPECT_EQ(h.dialog->RunOutcome(), kExitAllArrived) << h.Log();
        EXPECT_EQ(h.key->Files(), std::vector<std::string>{"MERO.ini"});
        EXPECT_NE(h.Log().find("Datei " + name + ": fr\xFChere Datei " + h.Out(name) + " war schreibgesch\xFCtzt"),
                  std::string::npos)
            << h.Log();
        const std::vector<std::string> stored = ListFolder(h.output);
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(stored[0], scrambled ? "C_20261203_2021-03-03_14-05-09.kvr" : name);
        EXPECT_EQ(ReadFile(h.Out(stored[0])), "the key's file");
    }
}
