// PayloadPublicKey: the public half of the key that signs every payload
// record, as a 276-byte PUBLICKEYBLOB (bType 6, CALG_RSA_KEYX, "RSA1", 2048
// bits, exponent 65537, little-endian modulus).  The build generates its
// definition from the key PEM it is configured with.
#ifndef MSILAUNCH_PAYLOAD_PAYLOAD_KEY_H
#define MSILAUNCH_PAYLOAD_PAYLOAD_KEY_H

#include "launcher/platform.h"

const DWORD kPayloadPublicKeySize = 276;

extern const BYTE PayloadPublicKey[kPayloadPublicKeySize];

#endif
