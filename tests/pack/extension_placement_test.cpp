// The certificate-extension placement of the payload writer: the chain in one
// extra certificate of the image's SignedData, where the launcher's reader
// (LoadPayloadSources, through the host's crypt32 stand-ins) finds it; the
// SignedData otherwise unchanged; the table entry, the security directory and
// the checksum rewritten; the same bytes each time; refusals that leave the
// output alone.
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>

#include "pack/setup_payload.h"
#include "payload/certificate_sources.h"
#include "tests/pack/pack_fixture.h"
#include "writer/certificate_writer.h"
#include "writer/chain_writer.h"
#include "writer/extension_placement.h"
#include "writer/image_placement.h"
#include "writer/manifest_writer.h"
#include "writer/pe_image.h"

namespace {

struct Keys {
    SigningKey signer, payload;
    Bytes signerCertificate;
};
Keys* keys = nullptr;

class ExtensionPlacement : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        keys = new Keys;
        std::string error;
        EXPECT_TRUE(GenerateSigningKey(2048, &keys->signer, &error) &&
                    GenerateSigningKey(2048, &keys->payload, &error) &&
                    MakeCertificate("msilaunch test signer", {}, keys->signer, &keys->signerCertificate, &error))
            << error;
    }
    static void TearDownTestSuite()
    {
        delete keys;
        keys = nullptr;
    }

    // A skeleton image signed with a SignedData of the signer's certificate.
    static void SignedImage(Bytes* image, Bytes* signedData)
    {
        std::string error;
        EXPECT_TRUE(MakeSignedData({keys->signerCertificate}, keys->signer, BytesOf("image digest stand-in"),
                                   signedData, &error) &&
                    AttachCertificateTable(MakeSkeletonPe32(4096), *signedData, image, &error))
            << error;
    }

    static Bytes Chain(const Bytes& manifest, size_t itemSize)
    {
        Bytes item(itemSize), chain;
        for (size_t i = 0; i < item.size(); ++i) item[i] = static_cast<uint8_t>(i * 131 + i / 7);
        std::string error;
        EXPECT_TRUE(WritePayloadChain(manifest, {{1000, item}}, keys->payload, &chain, &error)) << error;
        return chain;
    }
};

struct Pkcs7Deleter {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};
typedef std::unique_ptr<PKCS7, Pkcs7Deleter> Pkcs7Ptr;

Pkcs7Ptr ParsePkcs7(const uint8_t* der, size_t size)
{
    const unsigned char* at = der;
    return Pkcs7Ptr(d2i_PKCS7(nullptr, &at, static_cast<long>(size)));
}

Bytes Der(X509* certificate)
{
    unsigned char* out = nullptr;
    int length = i2d_X509(certificate, &out);
    Bytes der(out, out + (length > 0 ? length : 0));
    OPENSSL_free(out);
    return der;
}

TEST_F(ExtensionPlacement, TheLauncherFindsTheChainInTheAddedCertificate)
{
    Bytes image, signedData, blob;
    SignedImage(&image, &signedData);
    const Bytes manifest = WriteManifestTable({{1000, "Intel\\1033\\{P}\\Product"}});
    std::string error;
    ASSERT_TRUE(PublicKeyBlob(keys->payload, &blob, &error)) << error;
    // Items of several sizes, so that the new entry needs each kind of padding.
    for (size_t itemSize : {1, 200, 1001, 5003, 70001}) {
        SCOPED_TRACE("item of " + std::to_string(itemSize) + " bytes");
        const Bytes chain = Chain(manifest, itemSize);
        Bytes setup;
        ASSERT_TRUE(PlaceChainInCertificateExtension(image, chain, keys->payload, &setup, &error)) << error;

        SetupPayload payload;
        ASSERT_TRUE(payload.Load("setup.exe", setup, blob, &error)) << error;
        const PayloadSource& source = payload.state()->sources[0];
        EXPECT_EQ(payload.state()->sourceCount, 1u);
        EXPECT_TRUE(Bytes(source.rawBytes, source.rawBytes + source.rawSize) == chain);
        EXPECT_TRUE(Bytes(source.manifest, source.manifest + source.manifestSize) == manifest);

        // One entry, at the end, 8-byte aligned; revision and type kept.
        uint32_t offset = 0, size = 0;
        ASSERT_TRUE(ReadSecurityDirectory(setup, &offset, &size, &error)) << error;
        EXPECT_EQ(offset, LoadU32Le(image, 64 + 152));
        EXPECT_EQ(static_cast<size_t>(offset) + size, setup.size());
        EXPECT_EQ(size % 8, 0u);
        EXPECT_EQ(LoadU32Le(setup, offset), size);
        EXPECT_EQ(LoadU32Le(setup, offset + 4), 0x00020200u);
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 64 + 88, setup.begin())) << "the image before the table";
        Bytes rechecked = setup;
        ASSERT_TRUE(UpdatePeChecksum(&rechecked, &error));
        EXPECT_TRUE(rechecked == setup) << "stale checksum";

        // The added certificate is the last one; without it the SignedData is
        // the signed image's own, byte for byte (signer info untouched).
        Pkcs7Ptr parsed = ParsePkcs7(setup.data() + offset + 8, size - 8);
        ASSERT_TRUE(parsed && PKCS7_type_is_signed(parsed.get()));
        STACK_OF(X509)* certificates = parsed->d.sign->cert;
        ASSERT_EQ(sk_X509_num(certificates), 2);
        EXPECT_TRUE(Der(sk_X509_value(certificates, 0)) == keys->signerCertificate);
        X509* added = sk_X509_value(certificates, 1);
        ASN1_OBJECT* oid = OBJ_txt2obj(PAYLOAD_CERT_EXTENSION_OID, 1);
        const int at = X509_get_ext_by_OBJ(added, oid, -1);
        ASN1_OBJECT_free(oid);
        ASSERT_GE(at, 0);
        X509_EXTENSION* extension = X509_get_ext(added, at);
        EXPECT_EQ(X509_EXTENSION_get_critical(extension), 0);
        const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(extension);
        EXPECT_TRUE(Bytes(value->data, value->data + value->length) == chain);
        EXPECT_EQ(X509_verify(added, X509_get0_pubkey(added)), 1) << "not signed with the payload key";
        X509_free(sk_X509_pop(certificates));
        unsigned char* out = nullptr;
        int length = i2d_PKCS7(parsed.get(), &out);
        EXPECT_TRUE(length > 0 && Bytes(out, out + length) == signedData);
        OPENSSL_free(out);
    }
}

TEST_F(ExtensionPlacement, TheSameInputsGiveTheSameBytes)
{
    Bytes image, signedData, first, second, certificate;
    SignedImage(&image, &signedData);
    const Bytes chain = Chain(WriteManifestTable({{1000, "Intel\\1033\\{P}\\Product"}}), 300);
    std::string error;
    ASSERT_TRUE(PlaceChainInCertificateExtension(image, chain, keys->payload, &first, &error)) << error;
    ASSERT_TRUE(PlaceChainInCertificateExtension(image, chain, keys->payload, &second, &error)) << error;
    EXPECT_TRUE(first == second);

    ASSERT_TRUE(MakePayloadCertificate(chain, keys->payload, &certificate, &error)) << error;
    const unsigned char* at = certificate.data();
    X509* parsed = d2i_X509(nullptr, &at, static_cast<long>(certificate.size()));
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(ASN1_INTEGER_get(X509_get0_serialNumber(parsed)), 1);
    EXPECT_EQ(ASN1_TIME_cmp_time_t(X509_get0_notBefore(parsed), 1577836800), 0);
    EXPECT_EQ(ASN1_TIME_cmp_time_t(X509_get0_notAfter(parsed), 2524607999), 0);
    X509_free(parsed);
}

TEST_F(ExtensionPlacement, RefusesWhatItCannotExtendAndWritesNothing)
{
    Bytes image, signedData;
    SignedImage(&image, &signedData);
    std::string error;
    const Bytes unsignedImage = MakeSkeletonPe32(4096);
    Bytes notPkcs7, dataMessage, longForm, trailing = image;
    trailing.push_back(0);
    ASSERT_TRUE(AttachCertificateTable(MakeSkeletonPe32(4096), BytesOf("not DER at all"), &notPkcs7, &error));
    {
        // A PKCS#7 message of another type than SignedData.
        Pkcs7Ptr data(PKCS7_new());
        ASSERT_TRUE(data && PKCS7_set_type(data.get(), NID_pkcs7_data) == 1);
        unsigned char* out = nullptr;
        int length = i2d_PKCS7(data.get(), &out);
        ASSERT_GT(length, 0);
        ASSERT_TRUE(AttachCertificateTable(MakeSkeletonPe32(4096), Bytes(out, out + length), &dataMessage, &error));
        OPENSSL_free(out);
    }
    // The same SignedData with its outer length in a longer form than DER's.
    ASSERT_EQ(signedData[0], 0x30);
    ASSERT_EQ(signedData[1], 0x82);
    Bytes berSignedData = signedData;
    berSignedData[1] = 0x83;
    berSignedData.insert(berSignedData.begin() + 2, 0x00);
    ASSERT_TRUE(AttachCertificateTable(MakeSkeletonPe32(4096), berSignedData, &longForm, &error));

    const struct {
        const char* what;
        const Bytes& image;
        const char* message;
    } cases[] = {
        {"unsigned image", unsignedImage, "no certificate table at its end"},
        {"a byte behind the table", trailing, "no certificate table at its end"},
        {"no DER in the table", notPkcs7, "holds no PKCS#7 SignedData"},
        {"PKCS#7 data, not SignedData", dataMessage, "holds no PKCS#7 SignedData"},
        {"SignedData not in DER form", longForm, "not in DER form"},
    };
    const Bytes chain = Chain(WriteManifestTable({{1000, "Intel\\1033\\{P}\\Product"}}), 10);
    for (const auto& c : cases) {
        Bytes out = BytesOf("untouched");
        error.clear();
        EXPECT_FALSE(PlaceChainInCertificateExtension(c.image, chain, keys->payload, &out, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        EXPECT_TRUE(out == BytesOf("untouched")) << c.what;
    }
}

}  // namespace
