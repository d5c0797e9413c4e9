// Verifying a payload item against its record signature: RSA PKCS#1 v1.5 with a
// SHA-256 digest of the decoded item, under PayloadPublicKey.
#ifndef MSILAUNCH_PAYLOAD_RECORD_SIGNATURE_H
#define MSILAUNCH_PAYLOAD_RECORD_SIGNATURE_H

#include "launcher/platform.h"

enum SignatureCheck {
    kSignatureVerified = 0,
    kSignatureMismatch = 1,  // wrong length, other content, or another key
    kSignatureBadKey = 2,    // PayloadPublicKey cannot be parsed
};

// The key is parsed afresh for every call and released before it returns.
SignatureCheck VerifyRecordSignature(const BYTE* item, DWORD itemSize, const BYTE* signature,
                                     DWORD signatureLength);

#endif
