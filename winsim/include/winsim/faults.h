// Fault injection: any operation that can fail on Windows can be made to
// fail here, optionally only for arguments containing a given text, after
// a number of successful calls, and for a number of calls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "winsim/types.h"

namespace winsim {

struct FaultRule {
    std::string operation;  // "DeleteFileA", "FindFirstFileA", ...
    std::string argument;   // empty: any; else a case-insensitive substring of the first argument
    bool exact = false;     // the whole first argument must equal `argument` (ignoring case)
    DWORD error = 5;        // the error GetLastError reports (or the LONG result of a registry call)
    int skip = 0;           // matching calls that still succeed before the fault starts
    int count = -1;         // faulting calls; -1 for ever
    // Runs each time the rule fires, before the call goes on: a test makes
    // the world change at exactly that moment (a file shrinks between two
    // reads). With `fails` false the call then succeeds as usual.
    std::function<void()> before;
    bool fails = true;
};

class Faults {
public:
    void Add(const FaultRule& rule) { rules_.push_back(rule); }
    void Fail(const std::string& operation, DWORD error = 5, const std::string& argument = std::string(),
              int count = -1);
    void FailExactly(const std::string& operation, const std::string& argument, DWORD error = 5, int count = -1);
    // True when the call must fail; *error receives the rule's error.
    bool Check(const std::string& operation, const std::string& argument, DWORD* error);
    void Clear() { rules_.clear(); }
    bool Empty() const { return rules_.empty(); }

private:
    std::vector<FaultRule> rules_;
};

// Shorthand used by the simulated calls: checks the machine's faults and,
// when one fires, sets the last error.
bool Injected(const char* operation, const char* argument = nullptr);
bool InjectedWithError(const char* operation, const char* argument, DWORD* error);

}  // namespace winsim
