// Windows Installer as a child process: finding "msiexec.exe" in the system
// folder, and starting it on the extracted package with the forwarded
// arguments, waiting for it and keeping its exit code.
#ifndef MSILAUNCH_LAUNCHER_INSTALLER_LAUNCH_H
#define MSILAUNCH_LAUNCHER_INSTALLER_LAUNCH_H

#include "launcher/launcher_state.h"

// Fills path (room bytes) with the system folder's "msiexec.exe" and returns
// true when that file exists.  Only the system folder is searched: never the
// launcher's own folder, the current folder or PATH.
bool FindInstaller(char* path, DWORD room);

// Builds the command line, starts the installer, waits, and updates the run:
// installer exit code; status (exit code, 2349) with the report suppressed for
// a non-zero exit code; (last error or 89, 2355) with the system text and the
// installer path as message text when it cannot be started.
void LaunchInstaller(RunState* run, const char* installerPath, const char* packagePath, WCHAR** arguments,
                     int count, int showWindow);

#endif
