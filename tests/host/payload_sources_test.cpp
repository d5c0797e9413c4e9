// Payload sources: certificate extensions first, the whole image only when the
// walk ends without error and without a source; the PE checks that fall back;
// the walk's failures (code and line), none of which falls back.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <set>

#include "host/crypt32_host.h"
#include "launcher/launcher_state.h"
#include "payload/certificate_sources.h"
#include "payload/payload_source.h"
#include "tests/host/payload_fixture.h"
#include "writer/certificate_writer.h"
#include "writer/image_placement.h"
#include "writer/manifest_writer.h"
#include "writer/pe_image.h"
#include "writer/signing_key.h"

namespace {

struct Loaded {
    StatusPair status;
    std::vector<Bytes> raw;        // each source's raw bytes
    std::vector<Bytes> manifests;  // each source's manifest
    bool flagsAll3 = true;
};

Loaded Load(const Bytes& image)
{
    long live = HostLiveAllocations();
    long crypt = HostLiveCryptObjects();
    LauncherState state = {};
    Loaded out;
    out.status = LoadPayloadSources(&state, image.data(), static_cast<DWORD>(image.size()));
    for (DWORD i = 0; i < state.sourceCount; ++i) {
        const PayloadSource& s = state.sources[i];
        out.raw.push_back(Bytes(s.rawBytes, s.rawBytes + s.rawSize));
        out.manifests.push_back(Bytes(s.manifest, s.manifest + s.manifestSize));
        out.flagsAll3 = out.flagsAll3 && s.flags == 3;
    }
    FreePayloadSources(&state);
    EXPECT_EQ(HostLiveAllocations(), live) << "a block leaked";
    EXPECT_EQ(HostLiveCryptObjects(), crypt) << "a message or certificate was not released";
    return out;
}

class PayloadSources : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_SIGNING_KEY();
        manifestA_ = WriteManifestTable({{1000, "Intel;1033;{A};Product A"}});
        manifestB_ = WriteManifestTable({{2000, "Intel;1033;{B};Product B"}, {2001, "cab\\2000\\b.cab"}});
        chainA_ = SignedChain(manifestA_, {{1000, BytesOf("msi A")}});
        chainB_ = SignedChain(manifestB_, {{2000, BytesOf("msi B")}, {2001, BytesOf("cab B")}});
        image_ = MakeSkeletonPe32(4096);
    }

    Bytes Certificate(const std::vector<CertificateExtension>& extensions)
    {
        Bytes der;
        std::string error;
        EXPECT_TRUE(MakeCertificate("msilaunch test", extensions, *TestSigningKey(), &der, &error)) << error;
        return der;
    }

    // A signed image whose certificates carry the given extensions, with tail
    // (if any) in its certificate table behind the SignedData.
    Bytes Signed(const std::vector<std::vector<CertificateExtension>>& certificates, const Bytes& tail = {})
    {
        std::vector<Bytes> ders;
        for (const auto& extensions : certificates) ders.push_back(Certificate(extensions));
        Bytes signedData, out;
        std::string error;
        EXPECT_TRUE(MakeSignedData(ders, *TestSigningKey(), BytesOf("image digest stand-in"), &signedData, &error))
            << error;
        EXPECT_TRUE(AttachCertificateTable(image_, signedData, &out, &error)) << error;
        if (!tail.empty()) {
            EXPECT_TRUE(AppendChainToCertificateTable(out, tail, &out, &error)) << error;
        }
        return out;
    }

    Bytes Unsigned(const Bytes& chain)
    {
        Bytes out;
        std::string error;
        EXPECT_TRUE(AppendChainToImage(image_, chain, &out, &error)) << error;
        return out;
    }

    Bytes manifestA_, manifestB_, chainA_, chainB_, image_;
};

// The raw bytes expected of each source; kWholeImage stands for the image.
const Bytes kWholeImage = BytesOf("(the whole image)");

struct SourceCase {
    const char* what;
    Bytes image;
    DWORD code;
    DWORD line;
    std::vector<Bytes> raw;        // expected raw bytes of each source
    std::vector<Bytes> manifests;  // and their manifests
};

void Expect(const SourceCase& c)
{
    Loaded loaded = Load(c.image);
    std::vector<Bytes> raw = c.raw;
    for (Bytes& one : raw) {
        if (one == kWholeImage) one = c.image;
    }
    EXPECT_TRUE(SameStatus(loaded.status, c.code, c.line)) << c.what;
    EXPECT_TRUE(loaded.raw == raw) << c.what << ": " << loaded.raw.size() << " sources";
    EXPECT_TRUE(loaded.manifests == c.manifests) << c.what;
    EXPECT_TRUE(loaded.flagsAll3) << c.what;
}

TEST_F(PayloadSources, WhereThePayloadIsFound)
{
    const Bytes unsignedA = Unsigned(chainA_);
    const Bytes tableB = Signed({{}}, chainB_);
    CertificateExtension other = PayloadExtension(chainA_);
    other.oid += "1";
    const Bytes big = Signed({{PayloadExtension(chainA_)}}, Bytes(40u << 20, 0));
    const std::vector<SourceCase> cases = {
        {"unsigned image, chain at its end: the whole image", unsignedA, 0, 547, {kWholeImage}, {manifestA_}},
        {"unsigned image without payload", image_, 1168, 509, {}, {}},
        {"signed, no payload extension, chain in the table: the whole image", tableB, 0, 547, {kWholeImage},
         {manifestB_}},
        {"a payload extension: its value, and no fallback", Signed({{PayloadExtension(chainA_)}}, chainB_), 0, 547,
         {chainA_}, {manifestA_}},
        {"a critical payload extension is passed over", Signed({{PayloadExtension(chainA_, true)}}, chainB_), 0, 547,
         {kWholeImage}, {manifestB_}},
        {"another identifier is passed over", Signed({{other}}, chainB_), 0, 547, {kWholeImage}, {manifestB_}},
        {"two payload extensions in one certificate: two sources in order",
         Signed({{PayloadExtension(chainA_), PayloadExtension(chainB_)}}), 0, 547, {chainA_, chainB_},
         {manifestA_, manifestB_}},
        {"payload extensions in two certificates: in certificate order",
         Signed({{PayloadExtension(chainB_)}, {PayloadExtension(chainA_, true)}, {PayloadExtension(chainA_)}}), 0, 547,
         {chainB_, chainA_}, {manifestB_, manifestA_}},
        {"a payload extension without a manifest: no fallback",
         Signed({{PayloadExtension(BytesOf("no chain here"))}}, chainB_), 1168, 509, {}, {}},
        {"a failing extension ends the walk; earlier sources stay",
         Signed({{PayloadExtension(chainA_)}, {PayloadExtension(Bytes(chainB_.begin(), chainB_.end() - 1))}}), 1168,
         509, {chainA_}, {manifestA_}},
        {"a 40 MiB table: the decoder reads the SignedData at its start", big, 0, 547, {chainA_}, {manifestA_}},
    };
    for (const SourceCase& c : cases) Expect(c);

    Bytes badSignature = chainA_;
    badSignature[manifestA_.size() / 2 + 2] ^= 0x01;  // a data byte of the manifest record
    Loaded corrupt = Load(Signed({{PayloadExtension(badSignature)}}, chainB_));
    EXPECT_NE(corrupt.status.code, 0u);
    EXPECT_TRUE(corrupt.raw.empty()) << "a corrupt manifest in an extension does not fall back";
}

TEST_F(PayloadSources, PeChecksThatFallBackToTheWholeImage)
{
    // A signed image with a payload extension (chain A) and chain B in its
    // table: every failed check skips the certificates, and B is found.
    const Bytes good = Signed({{PayloadExtension(chainA_)}}, chainB_);
    uint32_t pe = 0, offset = 0, size = 0;
    std::string error;
    ASSERT_TRUE(LocatePe32(good, &pe, &error));
    ASSERT_TRUE(ReadSecurityDirectory(good, &offset, &size, &error));
    auto changed = [&](size_t at, uint32_t value) {
        Bytes image = good;
        StoreU32Le(&image, at, value);
        return image;
    };
    struct Case {
        const char* what;
        Bytes image;
    };
    Bytes noMz = good;
    noMz[0] = 'Z';
    Bytes pe32Plus = good;
    StoreU16Le(&pe32Plus, pe + 24, 0x20B);
    const Case cases[] = {
        {"no MZ", noMz},
        {"e_lfanew + 248 past the end", changed(60, static_cast<uint32_t>(good.size()) - 247)},
        {"e_lfanew that wraps around", changed(60, 0xFFFFFFF0u)},
        {"no PE signature", changed(pe, 0x00004551u)},
        {"PE32+ optional header", pe32Plus},
        {"security directory of 7 bytes", changed(pe + 156, 7)},
        {"security directory past the end", changed(pe + 156, size + 1)},
        {"security directory offset that wraps around", changed(pe + 152, 0xFFFFFFF8u)},
        {"entry length below its header", changed(offset, 7)},
        {"entry longer than the directory", changed(offset, size + 8)},
    };
    for (const Case& c : cases) {
        Loaded loaded = Load(c.image);
        EXPECT_TRUE(SameStatus(loaded.status, 0, 547)) << c.what;
        ASSERT_EQ(loaded.manifests.size(), 1u) << c.what;
        EXPECT_EQ(loaded.manifests[0], manifestB_) << c.what;
        EXPECT_EQ(loaded.raw[0], c.image) << c.what;
    }
    Bytes tiny(63, 'M');
    tiny[1] = 'Z';
    EXPECT_TRUE(SameStatus(Load(tiny).status, 1168, 509)) << "63 bytes";
    EXPECT_TRUE(SameStatus(Load({}).status, 1168, 509)) << "empty image";
}

TEST_F(PayloadSources, CertificateTableThatIsNoPkcs7Message)
{
    Bytes notPkcs7;
    std::string error;
    ASSERT_TRUE(AttachCertificateTable(image_, BytesOf("this is not DER at all"), &notPkcs7, &error));
    ASSERT_TRUE(AppendChainToCertificateTable(notPkcs7, chainB_, &notPkcs7, &error));
    Loaded loaded = Load(notPkcs7);
    EXPECT_TRUE(SameStatus(loaded.status, CRYPT_E_ASN1_BADTAG, 837));
    EXPECT_TRUE(loaded.raw.empty()) << "no fallback after a failed walk";
}

TEST_F(PayloadSources, FailuresOfTheDecoder)
{
    const Bytes image = Signed({{}, {PayloadExtension(chainA_)}}, chainB_);
    struct Case {
        HostCryptCall call;
        long allowed;
        DWORD lastError;
        DWORD code;
        DWORD line;
    };
    const Case cases[] = {
        {kHostCryptOpen, 0, 0, E_INVALIDARG, 831},
        {kHostCryptOpen, 0, 0x8009200Bu, 0x8009200Bu, 831},
        {kHostCryptUpdate, 0, 0, E_INVALIDARG, 837},
        {kHostCryptCertCount, 0, 0, E_INVALIDARG, 846},
        {kHostCryptCertSize, 1, 0, E_INVALIDARG, 937},
        {kHostCryptCertFetch, 1, 0x8009200Bu, 0x8009200Bu, 924},
        {kHostCryptCreateContext, 1, 0, E_INVALIDARG, 919},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        HostFailCryptCall(c.call, c.allowed, c.lastError);
        Loaded loaded = Load(image);
        HostFailCryptCall(c.call, -1, 0);
        EXPECT_TRUE(SameStatus(loaded.status, c.code, c.line)) << "call " << c.call;
        EXPECT_TRUE(loaded.raw.empty()) << "call " << c.call << ": no fallback";
    }
}

TEST_F(PayloadSources, EveryAllocationFailureEndsWithItsStatus)
{
    // Fails each allocation in turn: the walk (certificate block 932,
    // extension value 907, the manifest's inflate 13/551, the list 892) and
    // the fallback (image copy 2016, inflate, the list 2001).
    struct Case {
        const char* what;
        Bytes image;
        std::set<DWORD> lines;
    };
    const Case cases[] = {
        {"certificate walk", Signed({{PayloadExtension(chainA_)}}), {932, 907, 551, 892}},
        {"whole-image fallback", Unsigned(chainA_), {2016, 551, 2001}},
    };
    for (const Case& c : cases) {
        std::set<DWORD> seen;
        // Far more allocations than either path makes: the last runs succeed.
        for (long n = 0; n < 40; ++n) {
            SetLastError(0);
            HostFailAllocationAfter(n);
            Loaded loaded = Load(c.image);
            HostFailAllocationAfter(-1);
            if (loaded.status.code != 0) {
                seen.insert(loaded.status.line);
                EXPECT_EQ(loaded.status.code, loaded.status.line == 551 ? 13u : 8u) << c.what << " " << n;
                EXPECT_TRUE(loaded.raw.empty()) << c.what << " " << n;
            } else {
                EXPECT_EQ(loaded.raw.size(), 1u) << c.what << " " << n;
            }
        }
        EXPECT_EQ(seen, c.lines) << c.what;
    }
}

// Real Authenticode signatures (osslsigncode, when installed): the host's
// PKCS#7 walk reads the SignedData that a signing tool writes.
TEST_F(PayloadSources, ImagesSignedByASigningTool)
{
    if (system("command -v osslsigncode > /dev/null 2>&1") != 0) GTEST_SKIP() << "no osslsigncode";
    char folder[] = "/tmp/payload-sources-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    std::string keyPem, certificatePem, error;
    ASSERT_TRUE(SigningKeyPem(*TestSigningKey(), &keyPem, &error)) << error;
    ASSERT_TRUE(WriteFileBytes(dir + "/key.pem", BytesOf(keyPem), &error));
    ASSERT_TRUE(WriteFileBytes(dir + "/in.exe", image_, &error));
    auto signWith = [&](const std::vector<CertificateExtension>& extensions) {
        Bytes signedImage;
        std::string pem, why;
        EXPECT_TRUE(CertificatePem(Certificate(extensions), &pem, &why)) << why;
        EXPECT_TRUE(WriteFileBytes(dir + "/cert.pem", BytesOf(pem), &why));
        std::string command = "osslsigncode sign -certs " + dir + "/cert.pem -key " + dir + "/key.pem -in " + dir +
                              "/in.exe -out " + dir + "/out.exe > /dev/null 2>&1";
        EXPECT_EQ(system(command.c_str()), 0) << command;
        EXPECT_TRUE(ReadFileBytes(dir + "/out.exe", &signedImage, &why)) << why;
        unlink((dir + "/out.exe").c_str());
        return signedImage;
    };

    Loaded extension = Load(signWith({PayloadExtension(chainA_)}));
    EXPECT_TRUE(SameStatus(extension.status, 0, 547));
    EXPECT_TRUE(extension.raw == std::vector<Bytes>{chainA_});

    Bytes table;
    ASSERT_TRUE(AppendChainToCertificateTable(signWith({PayloadExtension(chainA_, true)}), chainB_, &table, &error))
        << error;
    Loaded fallback = Load(table);
    EXPECT_TRUE(SameStatus(fallback.status, 0, 547));
    EXPECT_TRUE(fallback.raw == std::vector<Bytes>{table});
    EXPECT_TRUE(fallback.manifests == std::vector<Bytes>{manifestB_});

    for (const char* name : {"/key.pem", "/cert.pem", "/in.exe"}) unlink((dir + name).c_str());
    rmdir(folder);
}

}  // namespace
