#pragma once
// How a run ended, as the process's exit status tells the program that
// started the tool. The last download of a run decides.
enum ExitStatus : int {
    kExitAllArrived = 0,  // a download ended and every listed file arrived whole (an empty key too)
    kExitNoDialog = 1,    // the tool could not run at all
    kExitNoDownload = 2,  // no download ran to its end (no key, closed before, a trigger run without one)
    kExitFileMissing = 3, // a download ended and a listed file did not arrive (the key keeps every file), or an
                          // earlier copy stayed beside its .kvr store
    kExitStopped = 4,     // a close or the time limit stopped a download; the key keeps every file
    kExitKeyNotEmptied = 5,  // every file arrived, but the key could not be emptied as asked (or only partly)
};
