// The command line of Windows Installer: the installer path, " /i " and the
// package path, then every launcher argument after argument 0 converted to the
// ANSI code page.  A piece that holds a space is put in double quotes; nothing
// is escaped.  The line is sized to what it needs and is refused when it would
// pass the 32,767 characters that process creation accepts.
#ifndef MSILAUNCH_LAUNCHER_INSTALLER_COMMAND_H
#define MSILAUNCH_LAUNCHER_INSTALLER_COMMAND_H

#include "launcher/platform.h"
#include "launcher/status.h"
#include "package/package_file.h"

// Most characters of a process command line, terminator included.
const DWORD kInstallerCommandLineRoom = 32767;

// Site numbers of the statuses made here.
const DWORD kLineCommandLineBuilt = 2341;
const DWORD kLineCommandLineNoMemory = 2343;
const DWORD kLineCommandLineTooLong = 2345;

// Status code of a command line that does not fit: Windows Installer's own code
// for a command line it cannot take.
const DWORD kStatusCommandLineTooLong = 1639;

// Whether the command line fits whatever folder the package is extracted to
// (a full path has at most 260 characters), so that a line too long is refused
// before anything is written: (0, 2341), or (1639, 2345), or (last error or 8,
// 2343) for no memory.
StatusPair CheckInstallerCommandLineRoom(const char* installerPath, WCHAR** arguments, int count);

// On success (code 0) *commandLine is a new local-heap block, terminated, made
// of whole pieces in order.  An argument that cannot be converted for lack of
// memory is left out.  Failures: (1639, 2345) too long, (last error or 8, 2343)
// no memory for the line itself; *commandLine is then null.
StatusPair BuildInstallerCommandLine(const char* installerPath, const char* packagePath, WCHAR** arguments,
                                     int count, char** commandLine);

#endif
