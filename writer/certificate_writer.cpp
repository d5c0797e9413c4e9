// Certificates and SignedData through libcrypto.
#include "writer/certificate_writer.h"

#include <time.h>

#include <openssl/bio.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "payload/certificate_sources.h"

namespace {

bool Fail(std::string* error, const std::string& message)
{
    *error = message;
    return false;
}

bool AddExtension(X509* certificate, const CertificateExtension& extension, std::string* error)
{
    ASN1_OBJECT* object = OBJ_txt2obj(extension.oid.c_str(), 1);
    ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
    X509_EXTENSION* made = nullptr;
    bool ok = object != nullptr && value != nullptr &&
              ASN1_OCTET_STRING_set(value, extension.value.data(), static_cast<int>(extension.value.size())) == 1;
    if (ok) made = X509_EXTENSION_create_by_OBJ(nullptr, object, extension.critical ? 1 : 0, value);
    ok = made != nullptr && X509_add_ext(certificate, made, -1) == 1;
    X509_EXTENSION_free(made);
    ASN1_OCTET_STRING_free(value);
    ASN1_OBJECT_free(object);
    return ok || Fail(error, "cannot add extension " + extension.oid);
}

// A self-signed v3 certificate: serial as big-endian bytes, validity as times.
bool BuildCertificate(const std::string& commonName, const Bytes& serial, time_t notBefore, time_t notAfter,
                      const std::vector<CertificateExtension>& extensions, const SigningKey& key, Bytes* der,
                      std::string* error)
{
    X509* certificate = X509_new();
    if (certificate == nullptr) return Fail(error, "no memory for a certificate");
    bool ok = X509_set_version(certificate, 2) == 1;
    BIGNUM* number = ok ? BN_bin2bn(serial.data(), static_cast<int>(serial.size()), nullptr) : nullptr;
    ok = number != nullptr && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate)) != nullptr;
    BN_free(number);
    ok = ok && ASN1_TIME_set(X509_getm_notBefore(certificate), notBefore) != nullptr &&
         ASN1_TIME_set(X509_getm_notAfter(certificate), notAfter) != nullptr;
    X509_NAME* name = X509_get_subject_name(certificate);
    ok = ok && X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                          reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) == 1;
    ok = ok && X509_set_issuer_name(certificate, name) == 1 && X509_set_pubkey(certificate, key.pkey.get()) == 1;
    if (!ok) {
        X509_free(certificate);
        return Fail(error, "cannot fill in the certificate");
    }
    for (const CertificateExtension& extension : extensions) {
        if (!AddExtension(certificate, extension, error)) {
            X509_free(certificate);
            return false;
        }
    }
    if (X509_sign(certificate, key.pkey.get(), EVP_sha256()) <= 0) {
        X509_free(certificate);
        return Fail(error, "cannot sign the certificate");
    }
    unsigned char* out = nullptr;
    int length = i2d_X509(certificate, &out);
    X509_free(certificate);
    if (length <= 0) return Fail(error, "cannot encode the certificate");
    der->assign(out, out + length);
    OPENSSL_free(out);
    return true;
}

}  // namespace

CertificateExtension PayloadExtension(const Bytes& chain, bool critical)
{
    return CertificateExtension{PAYLOAD_CERT_EXTENSION_OID, critical, chain};
}

bool MakeCertificate(const std::string& commonName, const std::vector<CertificateExtension>& extensions,
                     const SigningKey& key, Bytes* der, std::string* error)
{
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof(serial)) != 1) return Fail(error, "no random serial for a certificate");
    serial[0] &= 0x7F;
    const time_t now = time(nullptr);
    return BuildCertificate(commonName, Bytes(serial, serial + sizeof(serial)), now - 86400,
                            now + 10L * 365 * 86400, extensions, key, der, error);
}

bool MakeFixedCertificate(const FixedCertificateFields& fields, const std::vector<CertificateExtension>& extensions,
                          const SigningKey& key, Bytes* der, std::string* error)
{
    Bytes serial;
    for (int shift = 56; shift >= 0; shift -= 8) serial.push_back(static_cast<uint8_t>(fields.serial >> shift));
    return BuildCertificate(fields.commonName, serial, static_cast<time_t>(fields.notBefore),
                            static_cast<time_t>(fields.notAfter), extensions, key, der, error);
}

bool CertificatePem(const Bytes& der, std::string* pem, std::string* error)
{
    const unsigned char* at = der.data();
    X509* certificate = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    BIO* out = BIO_new(BIO_s_mem());
    bool ok = certificate != nullptr && out != nullptr && PEM_write_bio_X509(out, certificate) == 1;
    if (ok) {
        char* data = nullptr;
        long n = BIO_get_mem_data(out, &data);
        pem->assign(data, static_cast<size_t>(n));
    }
    BIO_free(out);
    X509_free(certificate);
    return ok || Fail(error, "cannot write the certificate as PEM");
}

bool MakeSignedData(const std::vector<Bytes>& certificates, const SigningKey& signerKey, const Bytes& content,
                    Bytes* der, std::string* error)
{
    if (certificates.empty()) return Fail(error, "SignedData needs a signing certificate");
    std::vector<X509*> parsed;
    bool ok = true;
    for (const Bytes& certificate : certificates) {
        const unsigned char* at = certificate.data();
        X509* one = d2i_X509(nullptr, &at, static_cast<long>(certificate.size()));
        ok = ok && one != nullptr;
        parsed.push_back(one);
    }
    BIO* data = BIO_new_mem_buf(content.data(), static_cast<int>(content.size()));
    PKCS7* signedData = nullptr;
    if (ok && data != nullptr) {
        // Without the certificates first, so that they go in in the given order.
        signedData = PKCS7_sign(parsed[0], signerKey.pkey.get(), nullptr, data, PKCS7_BINARY | PKCS7_NOCERTS);
        ok = signedData != nullptr;
        for (X509* one : parsed) ok = ok && PKCS7_add_certificate(signedData, one) == 1;
    } else {
        ok = false;
    }
    unsigned char* out = nullptr;
    int length = ok ? i2d_PKCS7(signedData, &out) : 0;
    if (length > 0) der->assign(out, out + length);
    OPENSSL_free(out);
    PKCS7_free(signedData);
    BIO_free(data);
    for (X509* one : parsed) X509_free(one);
    return length > 0 || Fail(error, "cannot make the SignedData");
}
