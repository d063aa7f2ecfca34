// Everything winsim declares for the core: the Win32 and runtime-library
// subset it calls, with the platform's names, signatures and widths.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "winsim/types.h"
#include "winsim/system_api.h"
#include "winsim/environment_api.h"
#include "winsim/files_api.h"
#include "winsim/crt_api.h"
#include "winsim/ui_api.h"
#include "winsim/registry_api.h"
#include "winsim/process_api.h"
