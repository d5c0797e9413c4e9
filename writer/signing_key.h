// Payload signing keys: an RSA key loaded from PEM (or made afresh), the
// 276-byte PUBLICKEYBLOB of its public half that the launcher compiles in, and
// record signatures (RSA PKCS#1 v1.5 over the SHA-256 of an item).
#ifndef MSILAUNCH_WRITER_SIGNING_KEY_H
#define MSILAUNCH_WRITER_SIGNING_KEY_H

#include <memory>
#include <string>

#include "writer/bytes.h"

typedef struct evp_pkey_st EVP_PKEY;

// An RSA key pair, shared between copies; empty until loaded or made.
struct SigningKey {
    std::shared_ptr<EVP_PKEY> pkey;
};

bool LoadSigningKey(const std::string& pemPath, SigningKey* key, std::string* error);
// A new key of `bits` bits with exponent 65537.
bool GenerateSigningKey(int bits, SigningKey* key, std::string* error);
// The private key as PEM (PKCS#8, unencrypted): for tools that take key files.
bool SigningKeyPem(const SigningKey& key, std::string* pem, std::string* error);
// The public half as PEM (SubjectPublicKeyInfo): the file the launcher's build takes.
bool PublicKeyPem(const SigningKey& key, std::string* pem, std::string* error);

// The public half as a Microsoft PUBLICKEYBLOB (276 bytes for RSA-2048).
bool PublicKeyBlob(const SigningKey& key, Bytes* blob, std::string* error);

// The record signature of an item: RSA PKCS#1 v1.5, SHA-256 digest info.
bool SignPayloadItem(const SigningKey& key, const Bytes& item, Bytes* signature, std::string* error);

#endif
