// The console companion's "sfx" command: turns a ZIP archive into a self-extracting program
// through the window's own builder (pieces of one hundredth of the archive).
//
//   kelvora-cli sfx ARCHIVE TARGET.exe [-p PASSWORD] [--fixed-pieces]
//
// With a password the archive is stored encrypted and the program asks for it.
// --fixed-pieces cuts the archive into pieces of 131072 bytes, as the build after an archive
// creation does.
#pragma once

// argv[1] is "sfx". Failures go to standard output, the summary too. Returns the exit code:
// 0 written, 2 the program could not be written or the command line is wrong.
int CliCommandSfx(int argc, char** argv);
