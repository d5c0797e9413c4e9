// The record chain reader: the trailer layout, every status of the scan and of
// the decode (code and line) for both record kinds, and the out-of-memory paths.
#include <gtest/gtest.h>

#include <string.h>
#include <zlib.h>

#include "payload/payload_record.h"
#include "tests/host/payload_fixture.h"
#include "writer/manifest_writer.h"
#include "writer/record_writer.h"

namespace {

const DWORD kSignedCompressed = kPayloadCompressed | kPayloadSigned;

Bytes Manifest()
{
    return WriteManifestTable({{1000, "Intel;1033;{11111111-2222-3333-4444-555555555555};Demo"},
                               {1001, "cab\\1000\\main.cab"}});
}

Bytes Parts(const Bytes& item, DWORD flags, Bytes* signature)
{
    RecordParts parts;
    std::string error;
    EXPECT_TRUE(SealPayloadItem(item, flags, TestSigningKey(), &parts, &error)) << error;
    *signature = parts.signature;
    return parts.data;
}

Bytes Record(const RecordKind& kind, DWORD id, const Bytes& data, const Bytes& signature)
{
    Bytes record;
    AppendPayloadRecord(&record, kind, id, data, signature);
    return record;
}

Bytes Join(std::initializer_list<Bytes> pieces)
{
    Bytes out;
    for (const Bytes& piece : pieces) AppendBytes(&out, piece);
    return out;
}

// A zlib stream made with a preset dictionary (its header has FDICT set).
Bytes WithDictionary(const Bytes& item)
{
    z_stream stream = {};
    deflateInit(&stream, 9);
    const Bytes dictionary = BytesOf("Intel;1033;Demo");
    deflateSetDictionary(&stream, dictionary.data(), static_cast<uInt>(dictionary.size()));
    Bytes out(deflateBound(&stream, static_cast<uLong>(item.size())) + 64);
    stream.next_in = const_cast<Bytef*>(item.data());
    stream.avail_in = static_cast<uInt>(item.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(RecordTrailer, LayoutOfTheExampleTrailer)
{
    // A FileRecord with id 1000, a 256-byte signature and 4096 data bytes.
    const Bytes expected = {0xD9, 0x8C, 0x24, 0xA1, 0x96, 0xEF, 0x6B, 0x43, 0x92, 0xBF, 0xC0, 0x0B, 0xAD, 0x72,
                            0x7E, 0x63, 0xE8, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00};
    Bytes trailer = EncodeRecordTrailer(FileRecord, 1000, 256, 4096);
    EXPECT_EQ(trailer, expected);
    RecordTrailer decoded;
    ReadRecordTrailer(trailer.data(), &decoded);
    EXPECT_EQ(memcmp(decoded.kind.bytes, FileRecord.bytes, 16), 0);
    EXPECT_EQ(decoded.id, 1000u);
    EXPECT_EQ(decoded.signatureLength, 256u);
    EXPECT_EQ(decoded.dataLength, 4096u);
    const Bytes manifestKind = {0xF7, 0xBB, 0xD5, 0xEE, 0x84, 0x12, 0x19, 0x46,
                                0x91, 0x8C, 0xF0, 0xCB, 0x8E, 0xE2, 0x8B, 0x55};
    EXPECT_EQ(Bytes(ManifestRecord.bytes, ManifestRecord.bytes + 16), manifestKind);
}

struct StatusCase {
    const char* what;
    Bytes chain;
    DWORD flags;
    const RecordKind* kind;
    DWORD id;
    DWORD code;
    DWORD line;
    Bytes item;  // compared when code is 0
};

void RunCases(const std::vector<StatusCase>& cases)
{
    for (const StatusCase& c : cases) {
        ReadResult result = ReadRecord(c.chain, c.flags, *c.kind, c.id);
        EXPECT_TRUE(SameStatus(result.status, c.code, c.line)) << c.what;
        if (c.code == 0) {
            EXPECT_TRUE(result.handedOut) << c.what;
            EXPECT_EQ(result.item, c.item) << c.what;
        }
    }
}

TEST(ReadPayloadRecord, ScanStatuses)
{
    REQUIRE_SIGNING_KEY();
    const Bytes manifest = Manifest();
    const Bytes fileA = BytesOf("MSI database A");
    const Bytes fileB = BytesOf("CAB archive B, a little longer than A");
    std::vector<std::pair<DWORD, Bytes>> many;
    for (DWORD id = 2000; id < 2020; ++id) many.push_back({id, NoiseBytes(100 + id % 7, id)});
    const Bytes longChain = SignedChain(manifest, many);
    const Bytes chain = SignedChain(manifest, {{1000, fileA}, {1001, fileB}});
    const Bytes manifestRecord = SignedRecord(ManifestRecord, 0, manifest);
    Bytes badManifestTrailer = manifestRecord;
    StoreU32Le(&badManifestTrailer, badManifestTrailer.size() - 8, static_cast<uint32_t>(manifestRecord.size()));
    const Bytes otherKind = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                             0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
    RecordKind other;
    memcpy(other.bytes, otherKind.data(), 16);

    const std::vector<StatusCase> cases = {
        {"empty source", {}, kSignedCompressed, &ManifestRecord, 0, 1168, 509, {}},
        {"shorter than a trailer", Bytes(chain.end() - 27, chain.end()), kSignedCompressed, &ManifestRecord, 0, 1168,
         509, {}},
        {"last 28 bytes are no trailer, a valid chain in front", Join({chain, Bytes(28, 0)}), kSignedCompressed,
         &ManifestRecord, 0, 1168, 509, {}},
        {"a trailer of another kind at the end", Join({chain, EncodeRecordTrailer(other, 0, 0, 0)}),
         kSignedCompressed, &FileRecord, 1000, 1168, 509, {}},
        {"the manifest behind twenty file records", longChain, kSignedCompressed, &ManifestRecord, 0, 0, 547,
         manifest},
        {"a file record", longChain, kSignedCompressed, &FileRecord, 2007, 0, 687, many[7].second},
        {"a file id the chain lacks reaches the manifest", chain, kSignedCompressed, &FileRecord, 1002, 1168, 509, {}},
        {"the manifest asked with another id", chain, kSignedCompressed, &ManifestRecord, 1, 1168, 509, {}},
        {"a file record in front of the manifest cannot be found",
         Join({SignedRecord(FileRecord, 5, fileA), manifestRecord}), kSignedCompressed, &FileRecord, 5, 1168, 509,
         {}},
        {"file trailer whose signature length passes the start: scan resumes 28 bytes lower",
         Join({chain, EncodeRecordTrailer(FileRecord, 1000, 0xFFFFFFFFu, 0)}), kSignedCompressed, &FileRecord, 1000,
         0, 687, fileA},
        {"file trailer whose data length passes the start: scan resumes in front of its signature",
         Join({chain, EncodeRecordTrailer(FileRecord, 1001, 0, 0xFFFFFFF0u)}), kSignedCompressed, &FileRecord, 1001,
         0, 687, fileB},
        {"manifest trailer whose signature length passes the start ends the scan", badManifestTrailer,
         kSignedCompressed, &ManifestRecord, 0, 1168, 509, {}},
        {"a malformed manifest trailer at the end hides the chain in front",
         Join({chain, EncodeRecordTrailer(ManifestRecord, 0, 0xFFFFFFFFu, 0)}), kSignedCompressed, &FileRecord,
         1000, 1168, 509, {}},
        {"two file records with one id: the one nearer the end wins",
         SignedChain(manifest, {{7, fileA}, {8, fileB}, {7, fileB}}), kSignedCompressed, &FileRecord, 7, 0, 687,
         fileB},
    };
    RunCases(cases);
}

TEST(ReadPayloadRecord, DecodeStatuses)
{
    REQUIRE_SIGNING_KEY();
    const Bytes manifest = Manifest();
    const Bytes file = NoiseBytes(3000, 9);
    Bytes manifestSignature, fileSignature, rawSignature;
    const Bytes manifestData = Parts(manifest, kSignedCompressed, &manifestSignature);
    const Bytes fileData = Parts(file, kSignedCompressed, &fileSignature);
    Bytes otherSignature;
    Parts(BytesOf("other content"), kSignedCompressed, &otherSignature);
    const Bytes truncatedManifest(manifestData.begin(), manifestData.end() - 6);
    const Bytes truncatedFile(fileData.begin(), fileData.end() - 6);
    const Bytes short255(manifestSignature.begin(), manifestSignature.end() - 1);
    Bytes long257 = fileSignature;
    long257.push_back(0);
    const Bytes head = SignedRecord(ManifestRecord, 0, manifest);
    auto asManifest = [](const Bytes& data, const Bytes& signature) {
        return Record(ManifestRecord, 0, data, signature);
    };
    auto asFile = [&head](const Bytes& data, const Bytes& signature) {
        return Join({head, Record(FileRecord, 1000, data, signature)});
    };
    const RecordKind* M = &ManifestRecord;
    const RecordKind* F = &FileRecord;

    const std::vector<StatusCase> cases = {
        {"manifest inflated and verified", asManifest(manifestData, manifestSignature), kSignedCompressed, M, 0, 0,
         547, manifest},
        {"file inflated and verified", asFile(fileData, fileSignature), kSignedCompressed, F, 1000, 0, 687, file},
        {"manifest: truncated stream", asManifest(truncatedManifest, manifestSignature), kSignedCompressed, M, 0, 13,
         551, {}},
        {"file: truncated stream", asFile(truncatedFile, fileSignature), kSignedCompressed, F, 1000, 13, 691, {}},
        {"manifest: empty data", asManifest({}, manifestSignature), kSignedCompressed, M, 0, 13, 551, {}},
        {"file: empty data, unsigned source", asFile({}, fileSignature), kPayloadCompressed, F, 1000, 13, 691, {}},
        {"manifest: stream needs a preset dictionary", asManifest(WithDictionary(manifest), manifestSignature),
         kSignedCompressed, M, 0, 13, 551, {}},
        {"file: stream needs a preset dictionary", asFile(WithDictionary(file), fileSignature), kSignedCompressed, F,
         1000, 13, 691, {}},
        {"manifest copied and verified", asManifest(manifest, manifestSignature), kPayloadSigned, M, 0, 0, 562,
         manifest},
        {"file copied and verified", asFile(file, fileSignature), kPayloadSigned, F, 1000, 0, 702, file},
        {"unsigned source: copied, signature not looked at", asManifest(manifest, {}), 0, M, 0, 0, 562, manifest},
        {"unsigned source: inflated, signature not looked at", asFile(fileData, BytesOf("junk")), kPayloadCompressed,
         F, 1000, 0, 687, file},
        {"manifest: 255-byte signature", asManifest(manifestData, short255), kSignedCompressed, M, 0, 1392, 592, {}},
        {"file: 257-byte signature", asFile(fileData, long257), kSignedCompressed, F, 1000, 1392, 732, {}},
        {"manifest: signature over other content", asManifest(manifestData, otherSignature), kSignedCompressed, M, 0,
         1392, 592, {}},
        {"file: signature over other content", asFile(fileData, otherSignature), kSignedCompressed, F, 1000, 1392,
         732, {}},
        {"file: no signature at all", asFile(fileData, {}), kSignedCompressed, F, 1000, 1392, 732, {}},
        // A file record without data in a signed source: its signature bytes
        // would be an item that nothing vouches for, so it is refused.
        {"file: data length 0 in a signed source", asFile({}, fileSignature), kSignedCompressed, F, 1000, 1392, 662,
         {}},
        {"file: data length 0 in a signed, uncompressed source", asFile({}, fileSignature), kPayloadSigned, F, 1000,
         1392, 662, {}},
        {"file: data length 0, unsigned and uncompressed: an empty file", asFile({}, fileSignature), 0, F, 1000, 0,
         702, {}},
    };
    RunCases(cases);
}

TEST(ReadPayloadRecord, OutOfMemory)
{
    REQUIRE_SIGNING_KEY();
    const Bytes manifest = Manifest();
    Bytes signature;
    Parts(manifest, kSignedCompressed, &signature);
    const Bytes copiedManifest = Record(ManifestRecord, 0, manifest, signature);
    const Bytes copiedFile = Join({copiedManifest, Record(FileRecord, 4, manifest, signature)});
    const Bytes chain = SignedChain(manifest, {{4, manifest}});
    struct Case {
        const char* what;
        const Bytes* chain;
        DWORD flags;
        const RecordKind* kind;
        DWORD id;
        DWORD code;
        DWORD line;
    };
    const Case cases[] = {
        {"manifest copy", &copiedManifest, kPayloadSigned, &ManifestRecord, 0, 8, 566},
        {"file copy", &copiedFile, kPayloadSigned, &FileRecord, 4, 8, 706},
        {"manifest inflate", &chain, kSignedCompressed, &ManifestRecord, 0, 13, 551},
        {"file inflate", &chain, kSignedCompressed, &FileRecord, 4, 13, 691},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        HostFailAllocationAfter(0);
        ReadResult result = ReadRecord(*c.chain, c.flags, *c.kind, c.id);
        HostFailAllocationAfter(-1);
        EXPECT_TRUE(SameStatus(result.status, c.code, c.line)) << c.what;
    }
}

}  // namespace
