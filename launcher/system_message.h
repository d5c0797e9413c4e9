// ComposeSystemMessage: the system's text for a status code, without its final
// period and line break, followed by " (detail)." — or "Error <code>" (and the
// detail) when the system has no text for the code.  Codes print unsigned.
#ifndef MSILAUNCH_LAUNCHER_SYSTEM_MESSAGE_H
#define MSILAUNCH_LAUNCHER_SYSTEM_MESSAGE_H

#include "launcher/platform.h"

// Writes into buffer (size bytes, always terminated when size > 0) and returns
// the text's length.  A null or empty detail means none.
int ComposeSystemMessage(DWORD code, char* buffer, DWORD size, const char* detail);

#endif
