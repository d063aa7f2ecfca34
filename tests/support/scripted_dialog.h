// The host build's ShowMessageDialog: records every prompt and answers
// from a script. Without a scripted answer, Yes/No prompts are answered
// No (never restart, never stop) and others OK.
#pragma once

#include <deque>
#include <string>
#include <vector>

struct DialogCall {
    std::string text;
    std::string caption;
    int flags;
};

struct DialogScript {
    std::vector<DialogCall> calls;
    std::deque<int> answers;
    void Clear() {
        calls.clear();
        answers.clear();
    }
};

DialogScript& Dialogs();
