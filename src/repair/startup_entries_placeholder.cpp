// Stand-in until the registry repair exists.
#include "repair/startup_entries.h"

int CleanStartupEntries(const char*) { return 1; }
int RemoveUninstallEntries() { return 0; }
