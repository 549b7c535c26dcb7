// Entry routine of kelvora-cli, the console companion: lists, tests and extracts ZIP archives
// through the same engine as the window. Its questions go through the prompts seam, answered
// from the command line. Listings go to standard output, messages to standard error.
//
//   kelvora-cli l ARCHIVE
//   kelvora-cli t ARCHIVE [-p PASSWORD]
//   kelvora-cli x ARCHIVE -o FOLDER [-p PASSWORD] [-y|-n] [MEMBER ...]
//
// Exit codes: 0 every member succeeded, 1 some member failed or was refused, 2 the archive could
// not be opened or the command line is wrong.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli_add.h"
#include "app/cli_console.h"
#include "app/cli_modify.h"
#include "model/appstate.h"
#include "model/liststruct.h"
#include "ui/prompts.h"
#include "zip/extract.h"
#include "app/cli_sfx.h"
#include "zip/hiddenlist.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"

namespace {

enum { kExitOk = 0, kExitSomeFailed = 1, kExitUsage = 2 };

const char kUsage[] =
    "usage:\n"
    "  kelvora-cli l ARCHIVE\n"
    "  kelvora-cli t ARCHIVE [-p PASSWORD]\n"
    "  kelvora-cli x ARCHIVE -o FOLDER [-p PASSWORD] [-y|-n] [MEMBER ...]\n"
    "  kelvora-cli sfx ARCHIVE TARGET.exe [-p PASSWORD]\n"
    "  kelvora-cli repair DAMAGED.zip REPAIRED.zip\n";

struct Options {
    char command = 0;
    std::string archive;
    std::string folder;
    std::string password;
    bool havePassword = false;
    int overwrite = 0;  // 0 skip and say so, 1 overwrite (-y), -1 skip quietly (-n)
    std::vector<std::string> members;
};

Options gOptions;
FILE* gListing = stdout;  // the real standard output; stdout itself carries log lines to stderr
int gPasswordRefused = 0;

// ---- the prompts seam, answered from the command line ----

int ConsolePassword(void)
{
    // The password of -p goes with every run and is tried first: asked again means it was
    // wrong, and a console has nobody to ask.
    if (gOptions.havePassword) return PROMPT_CANCEL;
    if (!gPasswordRefused) fprintf(stderr, "kelvora-cli: the archive holds encrypted members; give the password with -p\n");
    gPasswordRefused = 1;
    return PROMPT_CANCEL;
}

int ConsoleButtonBox(HWND, const char*, const char* text, int, const char* const*, int, int)
{
    if (gOptions.overwrite > 0) return OVERWRITE_ALL;
    if (gOptions.overwrite == 0) fprintf(stderr, "kelvora-cli: skipped, the file exists (-y overwrites): %s\n", text ? text : "");
    return OVERWRITE_SKIP;
}

void InstallConsolePrompts(void)
{
    memset(&GPrompts, 0, sizeof GPrompts);
    GPrompts.messageBox = CliMessageBox;
    GPrompts.passwordPrompt = ConsolePassword;
    GPrompts.buttonBox = ConsoleButtonBox;
}

void ReportToStderr(ExtractionContext*, const char* message)
{
    fprintf(stderr, "kelvora-cli: %s\n", message);
}

void ReportToListing(ExtractionContext*, const char* message)
{
    fprintf(gListing, "%s\n", message);
}

// ---- the hidden list view the listing fills ----

// Lists the archive into the hidden list with the window's own listing thread, pumping this
// thread's messages meanwhile (the rows arrive here in batches). 1 listed, 0 not opened.
int ListIntoHiddenList(HWND list, const char* archive)
{
    static ListingJob job;
    InitListingJob(&job, archive, list, nullptr, nullptr);
    job.silent = 1;
    GApp.hwndList = list;
    DWORD code = 1;
    if (!RunThreadPumpingMessages(ListZipFilesThread, &job, INFINITE, &code)) return 0;
    return code == 0;
}

std::string NormalizedMember(std::string name)
{
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

int CommandList(void)
{
    HWND list = CreateHiddenList();
    if (!list) {
        fprintf(stderr, "kelvora-cli: cannot create the list view\n");
        return kExitUsage;
    }
    if (!ListIntoHiddenList(list, gOptions.archive.c_str())) return kExitUsage;
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows; ++i) {
        const liststruct* rec = ListRowRecord(list, i);
        if (!rec) continue;
        const SYSTEMTIME& t = rec->modified;
        fprintf(gListing, "%lld\t%lld\t%04u-%02u-%02u %02u:%02u\t%c\t%s\n", (long long)rec->uncompressed,
                (long long)rec->compressed, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                IsListedRowEncrypted(i) ? 'E' : '-', ListRowMemberName(list, i).c_str());
    }
    fflush(gListing);
    return kExitOk;
}

int CommandTest(void)
{
    unzFile probe = MyWaitunzOpen2_64(gOptions.archive.c_str(), 3000);
    if (!probe) {
        fprintf(stderr, "kelvora-cli: %s cannot be opened: %s\n", gOptions.archive.c_str(), UnzResultText(UnzLastOpenError));
        return kExitUsage;
    }
    unzClose(probe);
    ExtractionContext ctx;
    InitExtractionContext(&ctx);
    ctx.report = ReportToListing;
    if (gOptions.havePassword) snprintf(ctx.password, sizeof ctx.password, "%s", gOptions.password.c_str());
    int rc = TestZipArchive(gOptions.archive.c_str(), &ctx);
    fflush(gListing);
    if (rc == EXTRACT_FAILED) return kExitUsage;
    return rc == EXTRACT_DONE ? kExitOk : kExitSomeFailed;
}

int CommandExtract(void)
{
    ExtractionContext ctx;
    InitExtractionContext(&ctx);
    ctx.report = ReportToStderr;
    snprintf(ctx.targetFolder, sizeof ctx.targetFolder, "%s", gOptions.folder.c_str());
    const char* pass = gOptions.havePassword ? gOptions.password.c_str() : "";
    int rc;
    int missing = 0;
    if (gOptions.members.empty()) {
        if (!ZipCheckArchiveProtection(gOptions.archive.c_str())) {
            fprintf(stderr, "kelvora-cli: %s cannot be opened: %s\n", gOptions.archive.c_str(),
                    UnzResultText(UnzLastOpenError));
            return kExitUsage;
        }
        rc = ExtractZipFilesFromList(nullptr, gOptions.archive.c_str(), 0, 1, pass, &ctx, 1, 1, 0);
    } else {
        // Named members: list the archive, select their rows and extract the selection, as the
        // window does.
        HWND list = CreateHiddenList();
        if (!list) {
            fprintf(stderr, "kelvora-cli: cannot create the list view\n");
            return kExitUsage;
        }
        if (!ListIntoHiddenList(list, gOptions.archive.c_str())) return kExitUsage;
        std::vector<int> found(gOptions.members.size(), 0);
        int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < rows; ++i) {
            if (!ListRowRecord(list, i)) continue;
            std::string name = ListRowMemberName(list, i);
            for (size_t m = 0; m < gOptions.members.size(); ++m) {
                if (NormalizedMember(gOptions.members[m]) != name) continue;
                LVITEMA state = {};
                state.stateMask = LVIS_SELECTED;
                state.state = LVIS_SELECTED;
                SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)i, (LPARAM)&state);
                found[m] = 1;
            }
        }
        for (size_t m = 0; m < gOptions.members.size(); ++m) {
            if (found[m]) continue;
            fprintf(stderr, "kelvora-cli: not in the archive: %s\n", gOptions.members[m].c_str());
            ++missing;
        }
        if (missing == (int)gOptions.members.size()) return kExitSomeFailed;
        rc = ExtractZipFilesFromList(list, gOptions.archive.c_str(), 0, 1, pass, &ctx, 0, 1, 0);
    }
    if (rc == EXTRACT_FAILED) return kExitUsage;
    if (rc == EXTRACT_DONE && !missing) return kExitOk;
    return kExitSomeFailed;
}

int ParseCommandLine(int argc, char** argv, Options* o)
{
    if (argc < 3) return 0;
    if (strcmp(argv[1], "l") && strcmp(argv[1], "t") && strcmp(argv[1], "x")) return 0;
    o->command = argv[1][0];
    o->archive = argv[2];
    for (int i = 3; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-p" && i + 1 < argc && o->command != 'l') {
            o->password = argv[++i];
            o->havePassword = true;
        } else if (a == "-o" && i + 1 < argc && o->command == 'x') {
            o->folder = argv[++i];
        } else if (a == "-y" && o->command == 'x' && o->overwrite == 0) {
            o->overwrite = 1;
        } else if (a == "-n" && o->command == 'x' && o->overwrite == 0) {
            o->overwrite = -1;
        } else if (o->command == 'x' && !a.empty() && a[0] != '-') {
            o->members.push_back(a);
        } else {
            return 0;
        }
    }
    if (o->command == 'x' && o->folder.empty()) return 0;
    return 1;
}

// repair DAMAGED OUT: the whole members of a damaged archive into a new one. Exit 0 when every
// member found was saved, 1 when some were lost or nothing could be saved, 2 on bad usage.
int CommandRepair(int argc, char** argv)
{
    if (argc != 4) {
        fputs(kUsage, stderr);
        return kExitUsage;
    }
    uint64_t entries = 0, bytes = 0;
    RepairFailure failure = {};
    if (RepairZipArchiveFiles(argv[2], argv[3], &entries, &bytes, &failure) != 0) {
        char text[1200];
        if (!FormatRepairFailure(text, sizeof text, argv[2], argv[3], &failure))
            snprintf(text, sizeof text, "%s: nothing could be repaired", argv[2]);
        fprintf(stderr, "%s\n", text);
        return kExitSomeFailed;
    }
    printf("%llu members recovered (%llu bytes), %llu could not be recovered\n", (unsigned long long)entries,
           (unsigned long long)bytes, (unsigned long long)failure.lostMembers);
    return failure.lostMembers ? kExitSomeFailed : kExitOk;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && !strcmp(argv[1], "repair")) return CommandRepair(argc, argv);
    if (argc > 1 && !strcmp(argv[1], "a")) return CliCommandAdd(argc, argv);
    if (argc > 1 && !strcmp(argv[1], "d")) return CliCommandDelete(argc, argv);
    if (argc > 1 && !strcmp(argv[1], "rn")) return CliCommandRename(argc, argv);
    if (argc > 1 && !strcmp(argv[1], "sfx")) return CliCommandSfx(argc, argv);
    if (!ParseCommandLine(argc, argv, &gOptions)) {
        fputs(kUsage, stderr);
        return kExitUsage;
    }
    // Listings keep the real standard output; the engine's log lines go to standard error.
    int listingFd = _dup(_fileno(stdout));
    if (listingFd >= 0) {
        FILE* listing = _fdopen(listingFd, "wb");
        if (listing) gListing = listing;
        fflush(stdout);
        _dup2(_fileno(stderr), _fileno(stdout));
    }
    _setmode(_fileno(gListing), _O_BINARY);
    const char* verbose = getenv("KELVORA_VERBOSE");
    GApp.verbose = verbose ? atoi(verbose) : 0;

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitialize(nullptr);
    InstallConsolePrompts();

    int rc = kExitUsage;
    switch (gOptions.command) {
    case 'l': rc = CommandList(); break;
    case 't': rc = CommandTest(); break;
    case 'x': rc = CommandExtract(); break;
    }
    fflush(gListing);
    fflush(stderr);
    CoUninitialize();
    return rc;
}
