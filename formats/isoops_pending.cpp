// Placeholder until the ISO engine fills its record of operations: the format is not built in.
#include "formats/formatops.h"

const FormatOps* IsoFormatOps(void) { return nullptr; }
