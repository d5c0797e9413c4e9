// Making status pairs.
#include "launcher/status.h"

StatusPair MakeStatus(LastErrorSource source, DWORD code, DWORD line)
{
    StatusPair status;
    status.code = code;
    status.line = line;
    if (source != nullptr) {
        DWORD lastError = source();
        if (lastError != 0) status.code = lastError;
    }
    return status;
}
