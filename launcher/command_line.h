// The launcher's own command line: splitting it into arguments, and the scan
// for the quiet switches that suppress the error box.
//
// Splitting rules: TAB, LF, CR and space separate arguments outside double
// quotes; a double quote only switches a quoted run on or off and is dropped
// wherever it stands; a backslash is an ordinary character; two adjacent quotes
// standing alone make an empty argument; a run never closed goes to the end.
#ifndef MSILAUNCH_LAUNCHER_COMMAND_LINE_H
#define MSILAUNCH_LAUNCHER_COMMAND_LINE_H

#include "launcher/platform.h"

// Returns one local-heap block holding the null-terminated pointer array and
// the argument texts (free it with LocalFree), and writes the argument count,
// argument 0 included.  Null when the block cannot be allocated; the count is
// then not written.
WCHAR** SplitCommandLine(const WCHAR* commandLine, int* count);

// True when an argument after argument 0 is "/q", "/qn" or "/quiet" (ASCII
// letters compared without case).
bool HasQuietSwitch(WCHAR** arguments, int count);

#endif
