// Payload sources in the launcher's image.  The image is not searched yet: every
// image reads as one without payload, with the record reader's not-found status.
#include "payload/payload_source.h"

#include "launcher/launcher_state.h"

StatusPair LoadPayloadSources(LauncherState*, const BYTE*, DWORD)
{
    return MakeStatus(nullptr, ERROR_NOT_FOUND, 509);
}

void FreePayloadSources(LauncherState* state)
{
    for (DWORD i = 0; i < state->sourceCount; ++i) {
        LocalFree(state->sources[i].rawBytes);
        LocalFree(state->sources[i].manifest);
    }
    LocalFree(state->sources);
    state->sources = nullptr;
    state->sourceCount = 0;
}
