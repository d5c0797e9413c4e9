// The launcher's long-lived records: LauncherState (process-wide: language,
// WOW64, payload sources), LauncherProcess (values set once at start-up) and
// RunState (the entry point's working state for one run).
#ifndef MSILAUNCH_LAUNCHER_LAUNCHER_STATE_H
#define MSILAUNCH_LAUNCHER_LAUNCHER_STATE_H

#include "launcher/platform.h"
#include "launcher/status.h"
#include "package/package_file.h"
#include "package/selection.h"
#include "payload/payload_source.h"

struct TaskbarProgress;

const DWORD kMessageTextRoom = 2048;
const DWORD kFolderPathRoom = 1024;

struct LauncherState {
    DWORD userLanguage;
    DWORD is64;
    PayloadSource* sources;
    DWORD sourceCount;
};

#ifdef _WIN32
struct LauncherProcess {
    HINSTANCE instance;
    int showWindow;
    int argumentCount;
    WCHAR** arguments;
    char* ownPath;
    TaskbarProgress* taskbar;
};
#endif

struct RunState {
    StatusPair status;
    DWORD suppressReport;
    char messageText[kMessageTextRoom];
    char string100[512];
    char string101[256];
    char string102[256];
    char string103[256];
    SelectionQuery selection;
    CabQuery cabQuery;
    ExtractionQueue queue;
    char installerPath[kFolderPathRoom];
    char extractionFolder[kFolderPathRoom];
    DWORD installerExitCode;
    DWORD selectionFailed;
};

#endif
