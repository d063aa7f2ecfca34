// Run-value walks and service registrations.
#pragma once

#include "platform/win32.h"

// Deletes a service's keys in both control sets; 1 when any deletion succeeded.
int RemoveServiceKeys(const char* serviceName);
// Deletes every value of a startup key whose command starts the file in
// CurrentFilePath, and remembers the matched name in StartupValueName.
void CleanRunKeyValues(HKEY root, const char* keyPath);
