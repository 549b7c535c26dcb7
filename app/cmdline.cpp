#include "app/cmdline.h"

#include <cstdio>
#include <cstring>

#include "model/appstate.h"
#include "model/format.h"
#include "model/strutil.h"

namespace {

char LowerChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

const char* SkipBlanks(const char* s)
{
    while (*s == ' ') ++s;
    return s;
}

void AddToken(std::vector<CommandToken>* tokens, const char* start, size_t length)
{
    if (length == 0) return;
    CommandToken token;
    if (length > sizeof token.text - 1) length = sizeof token.text - 1;
    memcpy(token.text, start, length);
    token.text[length] = 0;
    tokens->push_back(token);
}

struct OptionForm {
    const char* name;
    int append;
    int silent;
    int simulation;
};

// The archive-job options; the first token is compared after lower-casing, exactly.
const OptionForm kJobOptions[] = {
    {"-a", 1, 0, 0},
    {"-as", 1, 1, 0},
    {"-asim", 1, 0, 1},
    {"-c", 0, 0, 0},
    {"-cs", 0, 1, 0},
    {"-s", 0, 1, 0},
    {"-csim", 0, 0, 1},
};

}  // namespace

int SplitCommandLine(const char* raw, std::vector<CommandToken>* tokens)
{
    if (!tokens) return 0;
    tokens->clear();
    if (!raw) return 0;
    const char* p = raw;
    for (;;) {
        p = SkipBlanks(p);
        if (!*p) break;
        if (*p == '"') {
            const char* start = p + 1;
            const char* end = strchr(start, '"');
            if (!end) end = start + strlen(start);
            AddToken(tokens, start, (size_t)(end - start));
            p = *end ? end + 1 : end;
        } else {
            const char* start = p;
            while (*p && *p != ' ') ++p;
            AddToken(tokens, start, (size_t)(p - start));
        }
    }
    return (int)tokens->size();
}

int IsDoubleDashForm(const char* raw)
{
    if (!raw) return 0;
    raw = SkipBlanks(raw);
    if (raw[0] == '-' && (raw[1] == '-' || raw[1] == '/' || LowerChar(raw[1]) == 'h')) return 1;
    return StartsWith(raw, "/help", 1);
}

int IsHelpRequest(const char* raw)
{
    if (!raw) return 0;
    raw = SkipBlanks(raw);
    static const char* const kHelp[] = {"-h", "--help", "-help", "/help"};
    for (const char* form : kHelp)
        if (StartsWith(raw, form, 1)) return 1;
    return 0;
}

int IsViewableFileName(const char* name)
{
    if (!name) return 0;
    static const char* const kViewable[] = {".jpg", ".jpeg", ".png", ".bmp", ".gif", ".ico", ".avi", ".odt", ".ods"};
    for (const char* suffix : kViewable)
        if (EndsWithIgnoreCase(name, suffix)) return 1;
    return 0;
}

int ParseCommandLine(const char* raw, CommandLine* out)
{
    if (!out) return CMDLINE_EMPTY_WINDOW;
    out->mode = CMDLINE_EMPTY_WINDOW;
    out->append = out->silent = out->simulation = 0;
    out->format = CM_NONE;
    out->tokens.clear();
    out->firstFile = 0;
    if (!raw) return out->mode;

    if (IsDoubleDashForm(raw)) {
        out->mode = IsHelpRequest(raw) ? CMDLINE_HELP : CMDLINE_QUIET_EXIT;
        return out->mode;
    }

    int count = SplitCommandLine(raw, &out->tokens);
    out->firstFile = count;
    if (count == 0) return out->mode;

    char first[260];
    CopyBounded(first, sizeof first, out->tokens[0].text);
    LowerAscii(first);

    if (count == 1) {
        const char* name = out->tokens[0].text;
        int format = DetectFormatByName(name);
        if (format != CM_NONE) {
            out->mode = CMDLINE_OPEN_ARCHIVE;
            out->format = format;
            out->firstFile = 0;
        } else if (IsViewableFileName(name)) {
            out->mode = CMDLINE_VIEW_FILE;
            out->firstFile = 0;
        }
        // Anything else, options given alone included, starts the empty window.
        return out->mode;
    }

    if (strcmp(first, "-x") == 0) {
        out->mode = CMDLINE_EXTRACT;
        out->firstFile = 1;
        out->format = DetectFormatByName(out->tokens[1].text);
        return out->mode;
    }
    for (const OptionForm& form : kJobOptions) {
        if (strcmp(first, form.name) == 0) {
            out->mode = CMDLINE_ARCHIVE_JOB;
            out->append = form.append;
            out->silent = form.silent;
            out->simulation = form.simulation;
            out->firstFile = 1;
            return out->mode;
        }
    }
    // Several names without an option: every one of them goes into a new archive.
    out->mode = CMDLINE_ARCHIVE_JOB;
    out->firstFile = 0;
    return out->mode;
}

const char* SkipProgramName(const char* full)
{
    if (!full) return "";
    const char* p = SkipBlanks(full);
    if (*p == '"') {
        const char* end = strchr(p + 1, '"');
        p = end ? end + 1 : p + strlen(p);
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

const char* CommandLineModeName(int mode)
{
    switch (mode) {
    case CMDLINE_EMPTY_WINDOW: return "empty window";
    case CMDLINE_HELP: return "help";
    case CMDLINE_QUIET_EXIT: return "quiet exit";
    case CMDLINE_EXTRACT: return "extract";
    case CMDLINE_OPEN_ARCHIVE: return "open archive";
    case CMDLINE_VIEW_FILE: return "view file";
    case CMDLINE_ARCHIVE_JOB: return "archive job";
    }
    return "?";
}
