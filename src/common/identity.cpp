#include "common/identity.h"

const char kProductTitle[] = "Bruvane Ver 1.0";
const char kFamilyName[] = "W32/Gorvex";
const char kFamilyDetectionName[] = "W32/Gorvex.Trojan ";
