// The payload key's files: the private key that signs records (PEM, RSA-2048
// with exponent 65537, the only key the launcher's 276-byte PUBLICKEYBLOB can
// hold) and its public half as PEM, the file the launcher's build compiles in
// (MSILAUNCH_PAYLOAD_PUBLIC_KEY).
#ifndef MSILAUNCH_PACK_PAYLOAD_KEY_FILES_H
#define MSILAUNCH_PACK_PAYLOAD_KEY_FILES_H

#include <string>

#include "writer/bytes.h"
#include "writer/signing_key.h"

// Loads a private key and refuses anything but RSA-2048 with exponent 65537.
bool LoadPayloadSigningKey(const std::string& pemPath, SigningKey* key, std::string* error);

// Whether the key is RSA-2048 with exponent 65537; *why says what it is instead.
bool IsPayloadKeyShape(const SigningKey& key, std::string* why);

// The 276-byte PUBLICKEYBLOB of the key in a PEM file: a public key, or a
// private key whose public half is taken.
bool LoadPublicKeyBlob(const std::string& pemPath, Bytes* blob, std::string* error);

#endif
