// Payload sources in the launcher's image: the certificate extensions first;
// only when that walk ends without error and without a source, the whole
// image, whose chain ends at its last byte.
#include "payload/payload_source.h"

#include <string.h>

#include "launcher/launcher_state.h"
#include "payload/certificate_sources.h"
#include "payload/payload_record.h"

bool AppendPayloadSource(LauncherState* state, const PayloadSource* source)
{
    PayloadSource* grown;
    if (state->sources == nullptr) {
        grown = static_cast<PayloadSource*>(LocalAlloc(LPTR, sizeof(PayloadSource)));
    } else {
        grown = static_cast<PayloadSource*>(LocalReAlloc(state->sources, (state->sourceCount + 1) * sizeof(PayloadSource),
                                                         LMEM_MOVEABLE | LMEM_ZEROINIT));
    }
    if (grown == nullptr) return false;
    grown[state->sourceCount] = *source;
    state->sources = grown;
    ++state->sourceCount;
    return true;
}

StatusPair LoadPayloadSources(LauncherState* state, const BYTE* image, DWORD imageSize)
{
    StatusPair status = FindCertificateSources(state, image, imageSize);
    if (status.code != 0 || state->sourceCount != 0) return status;

    PayloadSource source;
    ZeroMemory(&source, sizeof(source));
    source.flags = kPayloadCompressed | kPayloadSigned;
    source.rawSize = imageSize;
    source.rawBytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, imageSize));
    if (source.rawBytes == nullptr) return MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 2016);
    if (imageSize > 0) memcpy(source.rawBytes, image, imageSize);

    status = ReadPayloadRecord(&source, &ManifestRecord, 0, &source.manifest, &source.manifestSize);
    if (status.code != 0) {
        LocalFree(source.rawBytes);
        return status;
    }
    if (!AppendPayloadSource(state, &source)) {
        status = MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, 2001);
        LocalFree(source.rawBytes);
        LocalFree(source.manifest);
    }
    return status;
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
