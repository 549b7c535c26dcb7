/* The libarchive of the dependency prefix was compiled against zlib's DLL interface and calls
   zlib through import slots; tar.dll links zlib statically, so it provides those slots. */
#include <zlib.h>

#define KV_IMPORT_SLOT(name) void* __imp_##name = (void*)name
KV_IMPORT_SLOT(crc32);
KV_IMPORT_SLOT(deflate);
KV_IMPORT_SLOT(deflateEnd);
KV_IMPORT_SLOT(deflateInit2_);
KV_IMPORT_SLOT(deflateInit_);
KV_IMPORT_SLOT(deflateReset);
KV_IMPORT_SLOT(inflate);
KV_IMPORT_SLOT(inflateEnd);
KV_IMPORT_SLOT(inflateInit2_);
KV_IMPORT_SLOT(inflateInit_);
KV_IMPORT_SLOT(inflateReset);
