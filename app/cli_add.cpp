// The console companion's "a" command (see cli_add.h).
#include "app/cli_add.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli_console.h"
#include "model/appstate.h"
#include "model/strutil.h"
#include "ui/prompts.h"
#include "zip/create.h"
#include "zip/ziphelper.h"

namespace {

enum { kExitOk = 0, kExitSomeFailed = 1, kExitUsage = 2 };

const char kAddUsage[] =
    "usage:\n"
    "  kelvora-cli a ARCHIVE [-l LEVEL] [-p PASSWORD] [--prefix PATH] [--filter SUFFIXES] PATH ...\n";

struct AddCommand {
    std::string archive;
    int level = 6;
    bool havePassword = false;
    std::string password;
    std::string prefix;
    std::string filter;
    std::vector<std::string> paths;
};

void ReportLeftOut(ZipCreateOptions*, int reason, const char* path)
{
    const char* why = "left out";
    switch (reason) {
    case ZIPSKIP_UNREADABLE: why = "cannot be read, left out"; break;
    case ZIPSKIP_READ_ERROR: why = "read error, left out"; break;
    case ZIPSKIP_DUPLICATE: why = "already in the archive, not added again"; break;
    case ZIPSKIP_NOT_FOUND: why = "not found"; break;
    case ZIPSKIP_TOO_LONG: why = "path too long, left out"; break;
    }
    fprintf(stderr, "kelvora-cli: %s: %s\n", why, path ? path : "");
}

int ParseAdd(int argc, char** argv, AddCommand* c)
{
    if (argc < 4 || strcmp(argv[1], "a") != 0) return 0;
    c->archive = argv[2];
    bool options = true;
    for (int i = 3; i < argc; ++i) {
        std::string a = argv[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "-l" && i + 1 < argc) {
            std::string v = argv[++i];
            if (v.size() != 1 || v[0] < '0' || v[0] > '9') return 0;
            c->level = v[0] - '0';
        } else if (options && a == "-p" && i + 1 < argc) {
            c->password = argv[++i];
            c->havePassword = true;
        } else if (options && a == "--prefix" && i + 1 < argc) {
            c->prefix = argv[++i];
        } else if (options && a == "--filter" && i + 1 < argc) {
            c->filter = argv[++i];
        } else if (options && a.size() > 1 && a[0] == '-') {
            return 0;
        } else {
            c->paths.push_back(a);
        }
    }
    return !c->paths.empty() && !c->archive.empty();
}

// A prefix names a folder inside the archive: no drive, no "..", not empty between separators.
int IsUsablePrefix(const std::string& prefix)
{
    if (prefix.empty()) return 1;
    std::string p = prefix;
    for (char& ch : p)
        if (ch == '\\') ch = '/';
    while (!p.empty() && p.back() == '/') p.pop_back();
    if (p.empty() || p[0] == '/' || p.find(':') != std::string::npos) return 0;
    return IsSafeEntryName(p.c_str());
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return path;
    std::string s(full);
    // "C:\data\" and "C:\data" are the same folder; the root keeps its separator.
    while (s.size() > 3 && (s.back() == '\\' || s.back() == '/')) s.pop_back();
    return s;
}

// Routes the engine's log lines (standard output) to standard error while the command runs, so
// that standard output carries only the summary.
struct OutputSplit {
    FILE* results = stdout;
    int savedStdout = -1;
    OutputSplit()
    {
        fflush(stdout);
        int copy = _dup(_fileno(stdout));
        if (copy >= 0) {
            FILE* f = _fdopen(copy, "w");
            if (f) {
                results = f;
                savedStdout = _dup(_fileno(stdout));
                _dup2(_fileno(stderr), _fileno(stdout));
            } else {
                _close(copy);
            }
        }
    }
    ~OutputSplit()
    {
        fflush(stdout);
        if (results != stdout) {
            fflush(results);
            fclose(results);
        }
        if (savedStdout >= 0) {
            _dup2(savedStdout, _fileno(stdout));
            _close(savedStdout);
        }
    }
};

}  // namespace

int CliCommandAdd(int argc, char** argv)
{
    AddCommand c;
    if (!ParseAdd(argc, argv, &c)) {
        fputs(kAddUsage, stderr);
        return kExitUsage;
    }
    if (!IsUsablePrefix(c.prefix)) {
        fprintf(stderr, "kelvora-cli: the prefix must be a relative folder inside the archive: %s\n", c.prefix.c_str());
        return kExitUsage;
    }
    std::string archive = FullPath(c.archive);
    if (archive.size() >= 260) {
        fprintf(stderr, "kelvora-cli: the archive path is too long: %s\n", archive.c_str());
        return kExitUsage;
    }
    std::vector<std::string> paths;
    for (const std::string& p : c.paths) paths.push_back(FullPath(p));
    std::vector<const char*> pointers;
    for (const std::string& p : paths) {
        if (p.size() >= 260) {
            fprintf(stderr, "kelvora-cli: the path is too long: %s\n", p.c_str());
            return kExitUsage;
        }
        pointers.push_back(p.c_str());
    }

    OutputSplit split;
    const char* verbose = getenv("KELVORA_VERBOSE");
    if (verbose) GApp.verbose = atoi(verbose);
    Prompts savedPrompts = GPrompts;
    memset(&GPrompts, 0, sizeof GPrompts);
    GPrompts.messageBox = CliMessageBox;

    ZipCreateOptions* o = NewZipCreateOptions();
    if (!o || !SetZipCreatePaths(o, pointers.data(), (int)pointers.size())) {
        fprintf(stderr, "kelvora-cli: not enough memory\n");
        ReleaseZipCreateOptions(o);
        GPrompts = savedPrompts;
        return kExitUsage;
    }
    o->level = c.level;
    if (c.havePassword && !c.password.empty()) {
        o->encrypt = 1;
        CopyBounded(o->password, sizeof o->password, c.password.c_str());
    }
    CopyBounded(o->prefixPath, sizeof o->prefixPath, c.prefix.c_str());
    if (!c.filter.empty()) SetZipCreateFilterFromText(o, c.filter.c_str());
    CopyBounded(o->targetArchive, sizeof o->targetArchive, archive.c_str());
    o->append = GetFileAttributesA(archive.c_str()) != INVALID_FILE_ATTRIBUTES;
    o->prefixMode = 1;
    o->noProgressDialog = 1;
    o->report = ReportLeftOut;

    int result = (int)ZipWorkDirectoryThread(o);
    if (result == ZIPCREATE_DONE || result == ZIPCREATE_INCOMPLETE || result == ZIPCREATE_CANCELLED)
        fprintf(split.results, "%s: %lld files and %lld folders %s\n", archive.c_str(), (long long)o->filesAdded,
            (long long)o->foldersAdded, o->append ? "added" : "written");
    ReleaseZipCreateOptions(o);
    GPrompts = savedPrompts;
    switch (result) {
    case ZIPCREATE_DONE: return kExitOk;
    case ZIPCREATE_INCOMPLETE:
    case ZIPCREATE_CANCELLED: return kExitSomeFailed;
    default: return kExitUsage;
    }
}
