// StatusPair: the result of every fallible step.  The code is 0 for success or
// a Windows error code, an HRESULT or Windows Installer's exit code; the line is
// a fixed number naming the site that made the pair, shown by the generic error
// text.  MakeStatus makes one, taking the thread's last error when asked to.
#ifndef MSILAUNCH_LAUNCHER_STATUS_H
#define MSILAUNCH_LAUNCHER_STATUS_H

#include "launcher/platform.h"

struct StatusPair {
    DWORD code;
    DWORD line;
};

// A source of the last error: GetLastError, or null for "use the fixed code".
typedef DWORD(WINAPI* LastErrorSource)(void);

// (source() when it is given and non-zero, else code; line).
StatusPair MakeStatus(LastErrorSource source, DWORD code, DWORD line);

inline bool StatusFailed(StatusPair status)
{
    return status.code != 0;
}

#endif
