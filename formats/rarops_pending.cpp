// Placeholder until the RAR engine fills its record of operations: the format is not built in.
#include "formats/formatops.h"

const FormatOps* RarFormatOps(void) { return nullptr; }
