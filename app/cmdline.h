// The command line of the program: splitting the raw text after the program name into tokens
// and deciding how the program runs (help window, quiet exit, direct extraction, archive job,
// opening an archive or a viewable file, empty window). Pure functions: nothing here touches
// windows, files or the process state, so a table of command lines can test them.
#pragma once
#include <vector>

// How the program runs.
enum CommandLineMode {
    CMDLINE_EMPTY_WINDOW = 0,  // interactive start without archive
    CMDLINE_HELP = 1,          // help window, then exit with its result
    CMDLINE_QUIET_EXIT = 2,    // a double-dash form other than help: exit after one second
    CMDLINE_EXTRACT = 3,       // "-x archive": extract before any window exists, then exit
    CMDLINE_OPEN_ARCHIVE = 4,  // one token naming an archive
    CMDLINE_VIEW_FILE = 5,     // one token naming a viewable file
    CMDLINE_ARCHIVE_JOB = 6,   // "-a", "-as", "-asim", "-c", "-cs", "-s", "-csim", or several files
};

// One token, cut to 259 characters.
struct CommandToken {
    char text[260];
};

// The result of reading a command line. files points into tokens: the archive of
// CMDLINE_EXTRACT and CMDLINE_OPEN_ARCHIVE, the file of CMDLINE_VIEW_FILE, the inputs of an
// archive job.
struct CommandLine {
    int mode;          // CommandLineMode
    int append;        // archive job adds to an archive the user picks ("-a" forms)
    int silent;        // archive job runs as a background job ("-as", "-cs", "-s")
    int simulation;    // archive job only logs what it would do ("-asim", "-csim")
    int format;        // format by suffix of files[0] (extraction, open); CM_NONE otherwise
    int firstFile;     // index into tokens of the first file; tokens.size() when none
    std::vector<CommandToken> tokens;  // every token in order, the option included
};

// Splits raw (may be null) into tokens: blanks separate them; a token that begins with a
// double quote runs to the next double quote (the quotes are dropped, blanks kept); the last
// token runs to the end of the text. Empty tokens are not kept. Returns the number of tokens.
int SplitCommandLine(const char* raw, std::vector<CommandToken>* tokens);

// 1 when raw (leading blanks ignored) is a double-dash form: '-' followed by '-', '/' or 'h'
// (either case), or "/help" in any case. Such a line is not split.
int IsDoubleDashForm(const char* raw);
// 1 when raw begins, ignoring ASCII case, with "-h", "--help", "-help" or "/help".
int IsHelpRequest(const char* raw);

// 1 when the lower-cased name ends in ".jpg", ".jpeg", ".png", ".bmp", ".gif", ".ico",
// ".avi", ".odt" or ".ods": a file the picture and media viewer shows.
int IsViewableFileName(const char* name);

// Reads raw into out (cleared first). Returns out->mode. Never fails: anything unreadable
// gives CMDLINE_EMPTY_WINDOW.
int ParseCommandLine(const char* raw, CommandLine* out);

// The raw text after the program name of a full process command line (as GetCommandLineA
// gives it: the name possibly quoted), with the blanks that follow the name skipped. Points
// into full; "" for null.
const char* SkipProgramName(const char* full);

// Readable name of a mode, for logs and test messages.
const char* CommandLineModeName(int mode);
