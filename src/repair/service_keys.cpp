// A service's registration in both numbered control sets. The second
// set's "\Enum" path keeps its upper-case spelling; registry names ignore
// case, so it names the same key as the mixed-case one would.
#include "repair/service_keys.h"

#include "common/shared_state.h"
#include "repair/registry_primitives.h"

namespace {

struct ServiceKeyPath {
    const char* prefix;
    const char* suffix;
};

// Subkeys before the service key in each set: RegDeleteKeyA leaves a key
// with subkeys in place.
const ServiceKeyPath kServiceKeyPaths[] = {
    {"SYSTEM\\ControlSet001\\Services\\", "\\Enum"},
    {"SYSTEM\\ControlSet001\\Services\\", "\\Security"},
    {"SYSTEM\\ControlSet001\\Services\\", ""},
    {"SYSTEM\\CONTROLSET002\\SERVICES\\", "\\Enum"},
    {"SYSTEM\\ControlSet002\\Services\\", "\\Security"},
    {"SYSTEM\\ControlSet002\\Services\\", ""},
};

}  // namespace

int RemoveServiceKeys(const char* serviceName) {
    int removed = 0;
    for (const ServiceKeyPath& entry : kServiceKeyPaths) {
        char path[512];
        path[0] = '\0';
        // A name too long for the path buffer cannot name a service key.
        if (!AppendText(path, sizeof path, entry.prefix) || !AppendText(path, sizeof path, serviceName) ||
            !AppendText(path, sizeof path, entry.suffix))
            continue;
        if (DeleteMachineKey(path)) removed = 1;
    }
    return removed;
}
