// The console companion's "sfx" command (see cli_sfx.h).
#include "app/cli_sfx.h"

#include <windows.h>
#include <cstdio>
#include <cstring>

#include "sfx/builder.h"

int CliCommandSfx(int argc, char** argv) {
    const char* password = nullptr;
    const char* paths[2] = {nullptr, nullptr};
    int count = 0, fixedPieces = 0;
    for (int i = 2; i < argc; i++) {
        if (!strcmp(argv[i], "--fixed-pieces")) {
            fixedPieces = 1;
        } else if (!strcmp(argv[i], "-p") && i + 1 < argc) {
            password = argv[++i];
        } else if (count < 2) {
            paths[count++] = argv[i];
        } else {
            count = 3;
        }
    }
    if (count != 2 || (password && !password[0])) {
        fputs("usage: kelvora-cli sfx ARCHIVE TARGET.exe [-p PASSWORD] [--fixed-pieces]\n", stderr);
        return 2;
    }
    SfxJob job;
    memset(&job, 0, sizeof job);
    char full[MAX_PATH];
    if (!GetFullPathNameA(paths[0], sizeof full, full, nullptr)) snprintf(full, sizeof full, "%s", paths[0]);
    snprintf(job.source, sizeof job.source, "%s", full);
    if (!GetFullPathNameA(paths[1], sizeof full, full, nullptr)) snprintf(full, sizeof full, "%s", paths[1]);
    snprintf(job.target, sizeof job.target, "%s", full);
    job.password = password;
    job.encrypt = password ? 1 : 0;
    job.noDialog = 1;
    job.pieceMode = fixedPieces ? SFX_PIECES_FIXED : SFX_PIECES_BY_HUNDREDTH;
    int rc = BuildSelfExtractor(&job);
    fflush(stdout);
    if (rc != SFX_BUILD_OK) {
        fprintf(stderr, "sfx: %s not written (%d)\n", job.target, rc);
        return 2;
    }
    fprintf(stderr, "sfx: %s: %d pieces of up to %u bytes%s\n", job.target, job.pieces, (unsigned)job.pieceSize,
            job.encrypt ? ", encrypted" : "");
    return 0;
}
