// Stand-in until the registry repair exists.
#include "repair/service_entries.h"

int RemoveServiceKeys(const char*) { return 0; }
