#include "formats/formatops.h"

#include "model/appstate.h"

const FormatOps* GetFormatOps(int format)
{
    switch (format) {
    case CM_ZIP: return ZipFormatOps();
    case CM_TAR: return TarFormatOps();
    case CM_ISO: return IsoFormatOps();
    case CM_RAR: return RarFormatOps();
    default: return nullptr;
    }
}

const FormatOps* OpenArchiveOps(void) { return GetFormatOps(GCompressionMethod); }

int OpenArchiveMayModify(void)
{
    const FormatOps* ops = OpenArchiveOps();
    return ops && ops->mayModify && ops->mayModify() ? 1 : 0;
}
