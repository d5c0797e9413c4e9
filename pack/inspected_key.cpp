// PayloadPublicKey of the package builder: the symbol the launcher's reader
// refers to, aliased to a block that the builder fills at run time.
#include "pack/inspected_key.h"

#include <string.h>

#include "payload/payload_key.h"

extern "C" {
// Zero until a key is chosen: b2i_PublicKey refuses it, so nothing verifies.
BYTE msilaunch_pack_inspected_key[kPayloadPublicKeySize];
}

extern const BYTE PayloadPublicKey[kPayloadPublicKeySize] __attribute__((alias("msilaunch_pack_inspected_key")));

bool UseInspectedKey(const Bytes& blob)
{
    if (blob.size() != kPayloadPublicKeySize) return false;
    memcpy(msilaunch_pack_inspected_key, blob.data(), kPayloadPublicKeySize);
    return true;
}
