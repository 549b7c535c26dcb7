// The console companion's "a" command: creates a ZIP archive, or adds to it when it exists,
// through the window's own creation engine (ZipWorkDirectoryThread with an options record).
//
//   kelvora-cli a ARCHIVE [-l LEVEL] [-p PASSWORD] [--prefix PATH] [--filter SUFFIXES] PATH ...
//
// Folders are walked; names in the archive are relative to each PATH's parent folder, below the
// prefix. SUFFIXES are separated by ';' and match file names case-sensitively (a PATH naming a
// file is always added).
#pragma once

// argv[1] is "a", argv[2] the archive. Messages go to standard error, the closing summary to
// standard output. Returns the exit code: 0 everything added, 1 some input was left out,
// 2 the archive could not be opened or written (an existing archive stays as it was) or the
// command line is wrong.
int CliCommandAdd(int argc, char** argv);
