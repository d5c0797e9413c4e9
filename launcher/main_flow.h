// The whole run of the launcher, from start-up to the exit code, on the one
// thread: payload, selection, extraction under the progress window, Windows
// Installer, clean-up and the single report.
#ifndef MSILAUNCH_LAUNCHER_MAIN_FLOW_H
#define MSILAUNCH_LAUNCHER_MAIN_FLOW_H

#include "launcher/platform.h"

// Returns the running status code, the process exit code.
DWORD RunLauncher(HINSTANCE instance, int showWindow);

#endif
