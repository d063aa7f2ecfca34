#include "memory/system_functions.h"

const char kToolhelpLibrary[] = "Kernel32.dll";
const char kPsapiLibrary[] = "psapi.dll";
