// Certificates and SignedData for payload placements: a self-signed X.509 v3
// certificate with chosen extensions (a chain as the value of a
// PAYLOAD_CERT_EXTENSION_OID extension), and a PKCS#7 SignedData carrying
// certificates in a chosen order.
#ifndef MSILAUNCH_WRITER_CERTIFICATE_WRITER_H
#define MSILAUNCH_WRITER_CERTIFICATE_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/bytes.h"
#include "writer/signing_key.h"

struct CertificateExtension {
    std::string oid;  // dotted
    bool critical;
    Bytes value;      // the bytes inside the extension's OCTET STRING
};

// The extension that carries a payload chain (non-critical unless asked).
CertificateExtension PayloadExtension(const Bytes& chain, bool critical = false);

// A self-signed certificate (DER) for key with subject and issuer CN=commonName,
// valid from a day ago for ten years, with a random serial and the extensions
// in the order given.
bool MakeCertificate(const std::string& commonName, const std::vector<CertificateExtension>& extensions,
                     const SigningKey& key, Bytes* der, std::string* error);

// What makes a certificate the same bytes every time: with a fixed serial and
// validity (seconds since 1970, UTC), and a deterministic signature (RSA
// PKCS#1 v1.5), the same key and extensions give the same DER.
struct FixedCertificateFields {
    std::string commonName;
    uint64_t serial;
    int64_t notBefore;
    int64_t notAfter;
};
bool MakeFixedCertificate(const FixedCertificateFields& fields, const std::vector<CertificateExtension>& extensions,
                          const SigningKey& key, Bytes* der, std::string* error);

bool CertificatePem(const Bytes& der, std::string* pem, std::string* error);

// A PKCS#7 SignedData (DER ContentInfo) over content, signed with signerKey by
// the first certificate, holding the certificates in the order given.
bool MakeSignedData(const std::vector<Bytes>& certificates, const SigningKey& signerKey, const Bytes& content,
                    Bytes* der, std::string* error);

#endif
