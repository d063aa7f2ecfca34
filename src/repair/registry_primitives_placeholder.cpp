// Stand-in until the registry repair exists: every operation fails.
#include "repair/registry_primitives.h"

int DeleteRegistryValue(HKEY, const char*, const char*) { return 0; }
int ReadRegistryValue(HKEY, const char*, const char*, char*, DWORD) { return 0; }
int DeleteMachineKey(const char*) { return 0; }
