// The manifest table of a payload source: id-tagged UTF-16LE text lines, one
// per file.  EnumManifestEntries hands every entry of every source, in order,
// to a callback as an ANSI string.
#ifndef MSILAUNCH_PAYLOAD_MANIFEST_TABLE_H
#define MSILAUNCH_PAYLOAD_MANIFEST_TABLE_H

#include "launcher/platform.h"

struct LauncherState;

// Called with the source's index in the list, the entry's id and its text
// (valid during the call only); returns non-zero to go on, 0 to end the walk.
typedef int (*ManifestEntryCallback)(DWORD sourceIndex, DWORD entryId, const char* text, void* userData);

// Walks the manifests of state's sources.  False when it stopped at a
// malformed entry or for lack of memory; a stop asked by the callback is true.
bool EnumManifestEntries(const LauncherState* state, ManifestEntryCallback callback, void* userData);

#endif
