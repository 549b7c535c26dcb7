// The changing commands of kelvora-cli, the console companion: deleting and renaming entries of
// a ZIP archive through the engine's rewrite operations.
//
//   kelvora-cli d ARCHIVE MEMBER ...   deletes members; a name ending in "/" deletes everything
//                                      under that folder
//   kelvora-cli rn ARCHIVE OLD NEW     renames a member, or moves a folder when OLD ends in "/"
//
// Member names are compared as the program's lookups compare them: case-insensitively, with "/"
// and "\" alike. Exit codes: 0 everything done, 1 some member was not found or the change was
// refused or failed (the archive is then unchanged), 2 the archive cannot be opened or the
// command line is wrong.
#pragma once

// argv is the whole command line: argv[1] is "d", argv[2] the archive, then the members. Prints one line per
// deleted entry on standard output, messages on standard error. Returns the exit code.
int CliCommandDelete(int argc, char** argv);
// argv is the whole command line: argv[1] is "rn", then ARCHIVE, OLD, NEW. Prints one line per renamed entry
// on standard output, messages on standard error. Returns the exit code.
int CliCommandRename(int argc, char** argv);
