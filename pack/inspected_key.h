// The payload key that the launcher's own reader verifies against inside the
// package builder.  The reader (payload/record_signature.cpp) checks every
// record against the PayloadPublicKey it was linked with; the builder's
// `inspect` and `extract` must verify against the key of the setup program
// at hand (compiled into its launcher, or given as a file) instead of the key
// of the build tree.  So the builder defines PayloadPublicKey itself, as an
// alias of a writable block that UseInspectedKey fills; the build tree's
// generated key object in launcher_portable is then not linked.
#ifndef MSILAUNCH_PACK_INSPECTED_KEY_H
#define MSILAUNCH_PACK_INSPECTED_KEY_H

#include "writer/bytes.h"

// blob: a 276-byte PUBLICKEYBLOB; false for any other size.
bool UseInspectedKey(const Bytes& blob);

#endif
