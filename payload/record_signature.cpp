// Record signatures through libcrypto: the PUBLICKEYBLOB is parsed with
// b2i_PublicKey for each check, the item hashed with SHA-256 and the signature
// checked with RSA_verify (PKCS#1 v1.5, NID_sha256).
#include "payload/record_signature.h"

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include "payload/payload_key.h"

SignatureCheck VerifyRecordSignature(const BYTE* item, DWORD itemSize, const BYTE* signature,
                                     DWORD signatureLength)
{
    const unsigned char* blob = PayloadPublicKey;
    EVP_PKEY* key = b2i_PublicKey(&blob, kPayloadPublicKeySize);
    if (key == nullptr) return kSignatureBadKey;
    RSA* rsa = EVP_PKEY_get1_RSA(key);
    SignatureCheck check = kSignatureBadKey;
    if (rsa != nullptr) {
        unsigned char digest[SHA256_DIGEST_LENGTH];
        SHA256(item, itemSize, digest);
        // RSA_verify refuses a signature whose length is not the key's size.
        int verified = RSA_verify(NID_sha256, digest, sizeof(digest), signature, signatureLength, rsa);
        check = verified == 1 ? kSignatureVerified : kSignatureMismatch;
        RSA_free(rsa);
    }
    EVP_PKEY_free(key);
    return check;
}
