#include "winsim/faults.h"

#include <strings.h>

#include "winsim/machine.h"

namespace winsim {

static bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
    if (part.empty()) return true;
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (strncasecmp(text.c_str() + i, part.c_str(), part.size()) == 0) return true;
    return false;
}

void Faults::Fail(const std::string& operation, DWORD error, const std::string& argument, int count) {
    FaultRule rule;
    rule.operation = operation;
    rule.argument = argument;
    rule.error = error;
    rule.count = count;
    rules_.push_back(rule);
}

void Faults::FailExactly(const std::string& operation, const std::string& argument, DWORD error, int count) {
    FaultRule rule;
    rule.operation = operation;
    rule.argument = argument;
    rule.exact = true;
    rule.error = error;
    rule.count = count;
    rules_.push_back(rule);
}

bool Faults::Check(const std::string& operation, const std::string& argument, DWORD* error) {
    for (FaultRule& rule : rules_) {
        if (rule.operation != operation || rule.count == 0) continue;
        if (rule.exact ? strcasecmp(argument.c_str(), rule.argument.c_str()) != 0
                       : !ContainsIgnoringCase(argument, rule.argument))
            continue;
        if (rule.skip > 0) {
            --rule.skip;
            continue;
        }
        if (rule.count > 0) --rule.count;
        if (error) *error = rule.error;
        // Copied out first: the action may add rules, which moves this one.
        bool fails = rule.fails;
        std::function<void()> before = rule.before;
        if (before) before();
        return fails;
    }
    return false;
}

bool InjectedWithError(const char* operation, const char* argument, DWORD* error) {
    Machine& m = TheMachine();
    // Every simulated call asks; with no rule there is nothing to match,
    // and the texts need not be built.
    if (m.faults.Empty()) return false;
    DWORD code = 0;
    if (!m.faults.Check(operation, argument ? argument : "", &code)) return false;
    m.lastError = code;
    if (error) *error = code;
    return true;
}

bool Injected(const char* operation, const char* argument) { return InjectedWithError(operation, argument, nullptr); }

}  // namespace winsim
