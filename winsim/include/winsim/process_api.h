// Processes, modules, services and the performance data.
#pragma once

#include "winsim/types.h"
