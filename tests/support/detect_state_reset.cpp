// The inspection keeps the headers of the file under inspection outside the
// shared variables.
#include <cstring>

#include "detect/pe_image.h"
#include "test_machine.h"

static void ResetPeImage() { memset(&PeImage, 0, sizeof PeImage); }

static StateReset resetPeImage(&ResetPeImage);
