// A payload certificate added to a signed image's SignedData through
// libcrypto's PKCS#7 parser and encoder.
#include "writer/extension_placement.h"

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>

#include "writer/certificate_writer.h"
#include "writer/image_placement.h"
#include "writer/pe_image.h"

namespace {

const uint32_t kEntryHeaderSize = 8;
const int64_t kNotBefore = 1577836800;  // 2020-01-01T00:00:00Z
const int64_t kNotAfter = 2524607999;   // 2049-12-31T23:59:59Z, the last UTCTime year

struct Pkcs7Free {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
struct X509Free {
    void operator()(X509* p) const { X509_free(p); }
};

bool Encode(PKCS7* signedData, Bytes* der)
{
    unsigned char* out = nullptr;
    int length = i2d_PKCS7(signedData, &out);
    if (length <= 0) return false;
    der->assign(out, out + length);
    OPENSSL_free(out);
    return true;
}

// The SignedData with the certificate added, encoded; the signature's own
// bytes must come back unchanged from the encoder, or what it signs might not.
bool AddToSignedData(const uint8_t* content, size_t contentSize, const Bytes& certificate, Bytes* der,
                     std::string* error)
{
    const unsigned char* at = content;
    std::unique_ptr<PKCS7, Pkcs7Free> signedData(d2i_PKCS7(nullptr, &at, static_cast<long>(contentSize)));
    if (!signedData || !PKCS7_type_is_signed(signedData.get())) {
        *error = "the certificate table holds no PKCS#7 SignedData";
        return false;
    }
    const size_t consumed = static_cast<size_t>(at - content);
    Bytes again;
    if (!Encode(signedData.get(), &again) || again != Bytes(content, content + consumed)) {
        *error = "the SignedData is not in DER form: re-encoding it would change the signature";
        return false;
    }
    at = certificate.data();
    std::unique_ptr<X509, X509Free> parsed(d2i_X509(nullptr, &at, static_cast<long>(certificate.size())));
    if (!parsed || PKCS7_add_certificate(signedData.get(), parsed.get()) != 1 || !Encode(signedData.get(), der)) {
        *error = "cannot add the payload certificate to the SignedData";
        return false;
    }
    return true;
}

size_t RoundUp8(size_t n)
{
    return (n + 7) & ~static_cast<size_t>(7);
}

}  // namespace

bool MakePayloadCertificate(const Bytes& chain, const SigningKey& key, Bytes* der, std::string* error)
{
    const FixedCertificateFields fields{"msilaunch payload", 1, kNotBefore, kNotAfter};
    return MakeFixedCertificate(fields, {PayloadExtension(chain)}, key, der, error);
}

bool AddCertificateToSignature(const Bytes& signedImage, const Bytes& certificate, Bytes* out, std::string* error)
{
    uint32_t offset = 0, size = 0, entryLength = 0;
    if (!LocateLastCertificateEntry(signedImage, &offset, &size, &entryLength, error)) return false;
    Bytes signedData;
    if (!AddToSignedData(signedImage.data() + offset + kEntryHeaderSize, entryLength - kEntryHeaderSize, certificate,
                         &signedData, error)) {
        return false;
    }
    const uint64_t padded = RoundUp8(kEntryHeaderSize + signedData.size());
    if (offset + padded > 0xFFFFFFFFu) {
        *error = "the image would pass 4 GiB";
        return false;
    }
    Bytes result(signedImage.begin(), signedImage.begin() + offset + kEntryHeaderSize);
    AppendBytes(&result, signedData);
    result.resize(offset + padded, 0);
    StoreU32Le(&result, offset, static_cast<uint32_t>(padded));  // wRevision, wCertificateType kept
    if (!WriteSecurityDirectory(&result, offset, static_cast<uint32_t>(padded), error)) return false;
    if (!UpdatePeChecksum(&result, error)) return false;
    out->swap(result);
    return true;
}

bool PlaceChainInCertificateExtension(const Bytes& signedImage, const Bytes& chain, const SigningKey& key, Bytes* out,
                                      std::string* error)
{
    Bytes certificate;
    return MakePayloadCertificate(chain, key, &certificate, error) &&
           AddCertificateToSignature(signedImage, certificate, out, error);
}
