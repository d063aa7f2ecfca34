// Registry: keys and typed values under the predefined roots.
#pragma once

#include "winsim/types.h"
