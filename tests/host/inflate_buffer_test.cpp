// InflateBuffer: whole streams of every step size decode exactly, malformed
// ones fail with no block, the block takes few resizes at any compressibility,
// and a stream that decodes past what the heap gives ends with Z_MEM_ERROR (a
// record with 13).
#include <gtest/gtest.h>

#include <zlib.h>

#include "payload/inflate_buffer.h"
#include "tests/host/payload_fixture.h"
#include "writer/record_writer.h"

namespace {

Bytes Compressed(const Bytes& item, int level = 9)
{
    Bytes out;
    std::string error;
    EXPECT_TRUE(CompressZlib(item, level, &out, &error)) << error;
    return out;
}

struct Inflated {
    int result;
    Bytes item;
    bool handedOut;
    size_t blockSize;
};

Inflated Inflate(const Bytes& input)
{
    long live = HostLiveAllocations();
    BYTE* data = reinterpret_cast<BYTE*>(1);
    DWORD size = 7;
    Inflated out;
    out.result = InflateBuffer(&data, &size, input.data(), static_cast<DWORD>(input.size()));
    out.handedOut = data != nullptr;
    out.blockSize = data ? LocalSize(data) : 0;
    if (data) out.item.assign(data, data + size);
    if (out.result != 0) {
        EXPECT_TRUE(data == nullptr && size == 0) << "outputs not null and 0";
    }
    LocalFree(data);
    EXPECT_EQ(HostLiveAllocations(), live);
    return out;
}

TEST(InflateBuffer, DecodesWholeStreamsExactly)
{
    // Items and compression levels chosen so the inputs fall below, at and
    // above the 256-byte step rule, and streams run over many output steps.
    struct Case {
        const char* what;
        Bytes item;
        int level;
    };
    Bytes text;
    for (int i = 0; i < 20000; ++i) AppendBytes(&text, BytesOf("line " + std::to_string(i % 97) + " of text\n"));
    const Case cases[] = {
        {"empty item", {}, 9},
        {"one byte", {0x42}, 9},
        {"input below 256 bytes", NoiseBytes(200, 1), 0},
        {"input of exactly 256 bytes (32-byte step)", NoiseBytes(245, 2), 0},
        {"input of 256 to 2047 bytes", NoiseBytes(1500, 3), 0},
        {"incompressible 300 KiB", NoiseBytes(300 * 1024, 4), 6},
        {"text, 7:1 or so", text, 9},
        {"4 MiB of zeros, 1000:1", Bytes(4 << 20, 0), 9},
    };
    for (const Case& c : cases) {
        Bytes input = Compressed(c.item, c.level);
        Inflated out = Inflate(input);
        EXPECT_EQ(out.result, 0) << c.what;
        EXPECT_TRUE(out.item == c.item) << c.what;
        if (!c.item.empty()) {
            EXPECT_EQ(out.blockSize, c.item.size()) << c.what << ": block trimmed";
        }
    }
    Bytes input = Compressed(text);
    AppendBytes(&input, NoiseBytes(100, 5));
    EXPECT_TRUE(Inflate(input).item == text) << "bytes after the stream are ignored";
}

TEST(InflateBuffer, MalformedStreamsFailWithNoBlock)
{
    const Bytes good = Compressed(NoiseBytes(5000, 6), 1);
    Bytes corrupt = good;
    corrupt[good.size() / 2] ^= 0xFF;
    Bytes badCheck = good;
    badCheck.back() ^= 1;
    z_stream stream = {};
    deflateInit(&stream, 9);
    const Bytes dictionary = BytesOf("dictionary");
    deflateSetDictionary(&stream, dictionary.data(), static_cast<uInt>(dictionary.size()));
    Bytes withDictionary(256);
    stream.next_in = const_cast<Bytef*>(dictionary.data());
    stream.avail_in = static_cast<uInt>(dictionary.size());
    stream.next_out = withDictionary.data();
    stream.avail_out = static_cast<uInt>(withDictionary.size());
    deflate(&stream, Z_FINISH);
    withDictionary.resize(stream.total_out);
    deflateEnd(&stream);
    struct Case {
        const char* what;
        Bytes input;
    };
    const Case cases[] = {
        {"empty input", {}},
        {"truncated by one byte", Bytes(good.begin(), good.end() - 1)},
        {"header only", Bytes(good.begin(), good.begin() + 2)},
        {"not a zlib header", BytesOf("PK\x03\x04 not zlib")},
        {"corrupt deflate data", corrupt},
        {"wrong Adler-32", badCheck},
        {"needs a preset dictionary", withDictionary},
    };
    for (const Case& c : cases) {
        Inflated out = Inflate(c.input);
        EXPECT_EQ(out.result, Z_DATA_ERROR) << c.what;
        EXPECT_FALSE(out.handedOut) << c.what;
    }
}

TEST(InflateBuffer, FewResizesAtAnyCompressibility)
{
    // 64 MiB of zeros from a 64 KiB stream (a step of 8 KiB): growing by half
    // again until the projection can be trusted, then to the projected size,
    // where growing by one step would take 8000 resizes.  8 MiB of noise: the
    // first block, the projected one and the trim.
    struct Case {
        const char* what;
        Bytes input;
        long allocations;
    };
    const Case cases[] = {
        {"zeros", Compressed(Bytes(64u << 20, 0)), 20},
        {"noise", Compressed(NoiseBytes(8u << 20, 7), 6), 3},
    };
    for (const Case& c : cases) {
        HostFailAllocationAfter(c.allocations);
        Inflated out = Inflate(c.input);
        HostFailAllocationAfter(-1);
        EXPECT_EQ(out.result, 0) << c.what;
        EXPECT_EQ(out.blockSize, out.item.size()) << c.what;
    }
    // A stream that starts highly compressible and goes on as noise: the
    // first projection is too small, and growing by half again takes over.
    Bytes mixed(1u << 20, 0);
    AppendBytes(&mixed, NoiseBytes(4u << 20, 8));
    Inflated out = Inflate(Compressed(mixed, 6));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(out.item == mixed);
}

TEST(InflateBuffer, OutOfMemoryEndsTheStream)
{
    // 16 MiB of zeros, with each allocation of the run refused in turn: a
    // refused growth ends the stream with Z_MEM_ERROR, except the projected
    // one, after which the block grows by half again and the stream decodes.
    const Bytes input = Compressed(Bytes(16u << 20, 0));
    int ended = 0, survived = 0;
    for (long allowed = 0; allowed < 40; ++allowed) {
        HostFailAllocationAfter(allowed);
        Inflated out = Inflate(input);
        bool refused = HostFailAllocationPending() == false;
        HostFailAllocationAfter(-1);
        if (!refused) break;  // the run needed fewer allocations
        if (out.result == Z_OK) {
            EXPECT_EQ(out.item.size(), 16u << 20) << "allocation " << allowed << " refused";
            ++survived;
        } else {
            EXPECT_EQ(out.result, Z_MEM_ERROR) << "allocation " << allowed << " refused";
            ++ended;
        }
    }
    EXPECT_GE(ended, 2);
    EXPECT_GE(survived, 1);
    // A heap that has no block as large as the item.
    HostLimitBlockSize((16u << 20) - 1);
    EXPECT_EQ(Inflate(input).result, Z_MEM_ERROR);
    HostLimitBlockSize(0);
}

TEST(InflateBuffer, RecordInflatingPastMemoryIsInvalidData)
{
    REQUIRE_SIGNING_KEY();
    // 64 MiB of zeros where the heap gives no block above 16 MiB: the growth
    // fails, the stream is ended and the record reads as invalid data.
    Bytes chain = SignedChain(BytesOf("manifest"), {});
    AppendPayloadRecord(&chain, FileRecord, 1, Compressed(Bytes(64u << 20, 0)), Bytes(256, 0));
    HostLimitBlockSize(16u << 20);
    ReadResult result = ReadRecord(chain, kPayloadCompressed | kPayloadSigned, FileRecord, 1);
    HostLimitBlockSize(0);
    EXPECT_TRUE(SameStatus(result.status, 13, 691));
}

}  // namespace
