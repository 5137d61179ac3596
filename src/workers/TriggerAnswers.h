#pragma once
// The key's answers to a trigger and what the worker makes of them.
#include <string>

struct TriggerAnswer {
    std::string line;
    bool stop = false;
    bool finished = false;  // only a polled "finished" leads to a download
};

// TriggerCode of a mode (1, 8, 9, 16, 32); 0 when the mode sends nothing.
int TriggerCodeOf(int triggerMode);
TriggerAnswer SendAnswer(int answer);
TriggerAnswer PollAnswer(int answer);
