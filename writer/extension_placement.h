// The third place of a payload chain: the value of a non-critical
// PAYLOAD_CERT_EXTENSION_OID extension of one extra certificate added to the
// certificate set of a signed image's PKCS#7 SignedData.  The signer info and
// everything the signature covers stay as they are (the certificate table is
// not hashed), so a signing tool's verification still accepts the image.
#ifndef MSILAUNCH_WRITER_EXTENSION_PLACEMENT_H
#define MSILAUNCH_WRITER_EXTENSION_PLACEMENT_H

#include <string>

#include "writer/bytes.h"
#include "writer/signing_key.h"

// The certificate that carries the chain: self-signed with key, CN "msilaunch
// payload", serial 1, valid 2020-01-01 to 2049-12-31; the same chain and key
// give the same bytes.
bool MakePayloadCertificate(const Bytes& chain, const SigningKey& key, Bytes* der, std::string* error);

// The signed image with certificate (DER) appended to the certificate set of
// its SignedData: the table must be one entry at the end of the file holding
// a SignedData that re-encodes to its own bytes.  The entry keeps its
// revision and type; its dwLength and the security directory's size cover the
// new SignedData padded to 8 bytes; the header checksum is recomputed.
bool AddCertificateToSignature(const Bytes& signedImage, const Bytes& certificate, Bytes* out, std::string* error);

// Both: the chain in a payload certificate signed with key, in the signature.
bool PlaceChainInCertificateExtension(const Bytes& signedImage, const Bytes& chain, const SigningKey& key, Bytes* out,
                                      std::string* error);

#endif
