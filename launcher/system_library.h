// Libraries only from the system folder.  PrepareLibrarySearch takes the
// launcher's folder and the current folder out of the DLL search before
// anything else loads; LoadSystemLibrary loads a DLL that the image does not
// import (every DLL outside the system's known set) from the system folder.
#ifndef MSILAUNCH_LAUNCHER_SYSTEM_LIBRARY_H
#define MSILAUNCH_LAUNCHER_SYSTEM_LIBRARY_H

#include "launcher/platform.h"

void PrepareLibrarySearch(void);

// The module, loaded from the system folder, or null (last error set).
HMODULE LoadSystemLibrary(const char* name);

// InitCommonControls from the common-controls library in the system folder (the
// manifest's dependency selects the version); nothing when it is missing.
void InitCommonControlsFromSystem(void);

#endif
