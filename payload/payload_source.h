// PayloadSource: one buffer that holds a complete record chain, with its
// decoded manifest.  LoadPayloadSources finds the sources in the launcher's
// image (certificate extensions first, else the whole image) and appends them
// to the state's list; FreePayloadSources releases the list.
#ifndef MSILAUNCH_PAYLOAD_PAYLOAD_SOURCE_H
#define MSILAUNCH_PAYLOAD_PAYLOAD_SOURCE_H

#include "launcher/platform.h"
#include "launcher/status.h"

struct LauncherState;

struct PayloadSource {
    BYTE* rawBytes;
    DWORD rawSize;
    BYTE* manifest;
    DWORD manifestSize;
    DWORD flags;
};

// Appends every source found in the image (which the caller keeps) to the
// state's source list.  A non-zero code means the payload cannot be used.
StatusPair LoadPayloadSources(LauncherState* state, const BYTE* image, DWORD imageSize);

// Appends a filled-in source to the state's list, growing it by one entry.
// False when the list cannot grow: it is then unchanged and the caller still
// owns the source's blocks.
bool AppendPayloadSource(LauncherState* state, const PayloadSource* source);

// Frees every source's blocks and the list itself.
void FreePayloadSources(LauncherState* state);

#endif
