// Placeholder until the ZIP engine's record of operations is filled: null until then.
#include "formats/formatops.h"

const FormatOps* ZipFormatOps(void) { return nullptr; }
