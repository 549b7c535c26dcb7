// kelvora-cli d and rn (see cli_modify.h): the members named on the command line are matched
// against the archive's own entry names first, so that every name is reported as found or not,
// and the matched names are handed to the rewrite operations as they are stored.
#include "app/cli_modify.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <minizip/unzip.h>

#include "app/cli_console.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/rbtree.h"
#include "model/strutil.h"
#include "model/zipentry.h"
#include "ui/prompts.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"

namespace {

enum { kExitOk = 0, kExitSomeFailed = 1, kExitUsage = 2 };

const char kUsage[] =
    "usage:\n"
    "  kelvora-cli d ARCHIVE MEMBER ...   (a MEMBER ending in / deletes that folder)\n"
    "  kelvora-cli rn ARCHIVE OLD NEW     (OLD ending in / moves that folder)\n";

FILE* gOut = stdout;  // the real standard output; stdout itself carries log lines to stderr

// Output on the real standard output, the engine's log lines on standard error, no dialogs.
void PrepareConsole(void)
{
    static int prepared = 0;
    if (prepared) return;
    prepared = 1;
    int fd = _dup(_fileno(stdout));
    if (fd >= 0) {
        FILE* out = _fdopen(fd, "wb");
        if (out) gOut = out;
        fflush(stdout);
        _dup2(_fileno(stderr), _fileno(stdout));
    }
    const char* verbose = getenv("KELVORA_VERBOSE");
    GApp.verbose = verbose ? atoi(verbose) : 0;
    SetCompressionMethod(CM_ZIP);
    memset(&GPrompts, 0, sizeof GPrompts);
    GPrompts.messageBox = CliMessageBox;
}

// Names compare as the program's lookups do: ASCII case folded, "\" read as "/".
std::string Folded(const std::string& s)
{
    std::string f(s);
    for (char& c : f) {
        if (c == '\\') c = '/';
        else if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    }
    return f;
}

std::string Slashed(std::string s)
{
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

std::string Backslashed(std::string s)
{
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

// Every entry name of the archive, as stored. 0 when the archive does not open.
int ReadEntryNames(const char* archive, std::vector<std::string>* names)
{
    unzFile uf = MyWaitunzOpen2_64(archive, 3000);
    if (!uf) return 0;
    int rc = ZipGoToFirstEntry(uf);
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        std::string name((size_t)info.size_filename + 1, '\0');
        if (unzGetCurrentFileInfo64(uf, nullptr, &name[0], (uLong)info.size_filename, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        name.resize((size_t)info.size_filename);
        names->push_back(name);
        rc = unzGoToNextFile(uf);
    }
    unzClose(uf);
    if (rc != UNZ_END_OF_LIST_OF_FILE && rc != UNZ_OK) {
        fprintf(stderr, "kelvora-cli: %s: the list of entries is damaged\n", archive);
        return 0;
    }
    return 1;
}

// The stored names a command-line member stands for: itself, or everything under a folder.
std::vector<std::string> MatchMember(const std::vector<std::string>& names, const std::string& member)
{
    std::vector<std::string> found;
    std::string m = Folded(member);
    bool folder = !m.empty() && m.back() == '/';
    for (const std::string& n : names) {
        std::string f = Folded(n);
        if (folder ? f.compare(0, m.size(), m) == 0 : f == m) found.push_back(n);
    }
    return found;
}

// Tells what a failed rewrite means for the user. Returns the exit code.
int ReportFailure(int result, const char* archive, const RewriteOutcome& outcome)
{
    switch (result) {
    case REWRITE_OPEN_FAILED:
        fprintf(stderr, "kelvora-cli: %s cannot be opened (it may be held by another program)\n", archive);
        return kExitUsage;
    case REWRITE_NAME_COLLISION:
        fprintf(stderr, "kelvora-cli: %s exists already in the archive; nothing was changed\n", outcome.collision);
        return kExitSomeFailed;
    case REWRITE_REPLACE_FAILED:
        if (outcome.tempPath[0])
            fprintf(stderr, "kelvora-cli: %s could not be replaced and is unchanged; the changed archive was kept as %s\n",
                    archive, outcome.tempPath);
        else
            fprintf(stderr, "kelvora-cli: %s could not be deleted and is unchanged\n", archive);
        return kExitSomeFailed;
    default:
        fprintf(stderr, "kelvora-cli: %s: %s; the archive is unchanged\n", archive, RewriteResultText(result));
        return kExitSomeFailed;
    }
}

struct RBSetOwner {
    RBTree* set = CreateZipEntryRBSet();
    ~RBSetOwner() { if (set) RBTreeDestroy(&set); }
};

struct BSSetOwner {
    BSTree* set = CreateZipEntrySet();
    ~BSSetOwner() { if (set) BSTreeDestroy(&set); }
};

}  // namespace

int CliCommandDelete(int argc, char** argv)
{
    PrepareConsole();
    if (argc < 4) {
        fputs(kUsage, stderr);
        return kExitUsage;
    }
    const char* archive = argv[2];
    std::vector<std::string> names;
    if (!ReadEntryNames(archive, &names)) {
        fprintf(stderr, "kelvora-cli: %s cannot be opened: %s\n", archive, UnzResultText(UnzLastOpenError));
        return kExitUsage;
    }
    RBSetOwner owner;
    if (!owner.set) return kExitUsage;
    int missing = 0;
    std::vector<std::string> doomed;
    for (int i = 3; i < argc; ++i) {
        std::vector<std::string> found = MatchMember(names, argv[i]);
        if (found.empty()) {
            fprintf(stderr, "kelvora-cli: not in the archive: %s\n", argv[i]);
            ++missing;
            continue;
        }
        for (const std::string& n : found) {
            ZipEntry* ze = CreateZipEntry(Backslashed(n).c_str(), nullptr, (int)doomed.size() + 1);
            if (!ze || !RBTreeInsert(owner.set, ze, nullptr)) {
                ReleaseZipEntry(ze);
                return kExitUsage;
            }
            doomed.push_back(n);
        }
    }
    if (doomed.empty()) return kExitSomeFailed;
    RewriteOutcome outcome;
    int result = DeleteFilesFromZIPRBTree(archive, owner.set, 0, 0, &outcome);
    if (result != REWRITE_DONE) return ReportFailure(result, archive, outcome);
    for (const std::string& n : doomed) fprintf(gOut, "deleted\t%s\n", n.c_str());
    if (outcome.copied == 0) fprintf(stderr, "kelvora-cli: no entry is left: %s was removed\n", archive);
    fflush(gOut);
    return missing ? kExitSomeFailed : kExitOk;
}

int CliCommandRename(int argc, char** argv)
{
    PrepareConsole();
    if (argc != 5 || !*argv[3] || !*argv[4]) {
        fputs(kUsage, stderr);
        return kExitUsage;
    }
    const char* archive = argv[2];
    std::string oldName = Slashed(argv[3]);
    std::string newName = Slashed(argv[4]);
    bool folder = oldName.back() == '/';
    if (newName[0] == '/' || (!folder && newName.back() == '/')) {
        fprintf(stderr, "kelvora-cli: %s is no name for %s\n", argv[4], folder ? "a folder" : "a file");
        return kExitUsage;
    }
    if (folder && newName.back() != '/') newName += '/';
    std::vector<std::string> names;
    if (!ReadEntryNames(archive, &names)) {
        fprintf(stderr, "kelvora-cli: %s cannot be opened: %s\n", archive, UnzResultText(UnzLastOpenError));
        return kExitUsage;
    }
    std::vector<std::string> found = MatchMember(names, oldName);
    if (found.empty()) {
        fprintf(stderr, "kelvora-cli: not in the archive: %s\n", argv[3]);
        return kExitSomeFailed;
    }
    RewriteOutcome outcome;
    int result;
    std::vector<std::pair<std::string, std::string>> renames;
    if (folder) {
        RBSetOwner owner;
        if (!owner.set) return kExitUsage;
        for (const std::string& n : found) {
            std::string to = newName + n.substr(oldName.size());
            if (n.size() > 259 || to.size() > 259) {
                fprintf(stderr, "kelvora-cli: the name is too long: %s\n", to.c_str());
                return kExitSomeFailed;
            }
            ZipEntry* ze = CreateZipEntry(Backslashed(n).c_str(), to.c_str(), (int)renames.size() + 1);
            if (!ze || !RBTreeInsert(owner.set, ze, nullptr)) {
                ReleaseZipEntry(ze);
                return kExitUsage;
            }
            if (!IsZipDirectoryName(n.c_str())) renames.emplace_back(n, to);
        }
        result = ChangeFilesFromZIP(archive, owner.set, 0, 0, &outcome);
    } else {
        if (found[0].size() > 259 || newName.size() > 259) {
            fprintf(stderr, "kelvora-cli: the name is too long\n");
            return kExitSomeFailed;
        }
        BSSetOwner owner;
        ZipEntry* ze = owner.set ? CreateZipEntry(Backslashed(found[0]).c_str(), nullptr, 0) : nullptr;
        if (!ze || !BSTreeInsert(owner.set, ze)) {
            ReleaseZipEntry(ze);
            return kExitUsage;
        }
        RenameRequest request;
        CopyBounded(request.oldKey, sizeof request.oldKey, Backslashed(found[0]).c_str());
        CopyBounded(request.newName, sizeof request.newName, newName.c_str());
        result = ChangeFileFromZIP(archive, owner.set, CHANGE_ACTION_RENAME, &request, 0, &outcome);
        renames.emplace_back(found[0], newName);
    }
    if (result != REWRITE_DONE) return ReportFailure(result, archive, outcome);
    for (const auto& r : renames) fprintf(gOut, "renamed\t%s\t%s\n", r.first.c_str(), r.second.c_str());
    fflush(gOut);
    return kExitOk;
}
