// decode-benchmark: what decoding a payload record costs against the work it
// cannot avoid, measured in one run on the host.
//
// The items are made from the real files named on the command line (the
// build's binaries, sources, MSI databases): a 1:1 item is those files as
// zlib leaves them (compressed bytes, as a cabinet holds), and items of 3:1 to
// 1000:1 are the files in 4 KiB pieces mixed with zero-filled pages, in the
// share that gives the wanted ratio at level 9 (databases and images hold such
// pages).  For each item:
//   decode   ReadPayloadRecord on a signed, compressed FileRecord of the item,
//            against zlib's inflate into a block of the known size, allocated
//            beforehand, plus SHA-256 of the same bytes (the baseline) — at
//            3:1, 10:1 and 100:1;
//   inflate  InflateBuffer alone against inflate into a block of the known
//            size, and its time per decoded byte — at 1:1 to 1000:1, which
//            stays flat when the block's growth costs no more than the work.
// Each time is the best of --runs.  Prints "figure NAME VALUE" lines, then a
// table.  Usage:
//   decode-benchmark [--runs N] [--size BYTES] FILE...
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <openssl/sha.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "payload/inflate_buffer.h"
#include "payload/payload_record.h"
#include "writer/chain_writer.h"
#include "writer/record_writer.h"

namespace {

const size_t kPiece = 4096;

struct Options {
    int runs;
    size_t size;
    std::vector<const char*> files;
};

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

[[noreturn]] void Fail(const std::string& what)
{
    fprintf(stderr, "decode-benchmark: %s\n", what.c_str());
    exit(1);
}

Bytes ReadPool(const std::vector<const char*>& files)
{
    Bytes pool;
    for (const char* name : files) {
        FILE* file = fopen(name, "rb");
        if (file == nullptr) Fail(std::string("cannot read ") + name);
        unsigned char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) pool.insert(pool.end(), buffer, buffer + n);
        fclose(file);
    }
    if (pool.size() < kPiece) Fail("the input files hold less than 4 KiB");
    return pool;
}

// `size` bytes in 4 KiB pieces: the given share of them (evenly spread) are
// pieces of the pool, taken with a stride so that any part of the item draws
// on the whole pool, the others zero pages.
Bytes MixedItem(const Bytes& pool, double share, size_t size)
{
    const size_t poolPieces = pool.size() / kPiece;
    const size_t stride = 7919;  // prime, so every piece of the pool comes round
    Bytes out;
    out.reserve(size);
    double owed = 0;
    size_t taken = 0;
    while (out.size() < size) {
        size_t n = size - out.size() < kPiece ? size - out.size() : kPiece;
        owed += share;
        if (owed >= 1.0) {
            owed -= 1.0;
            size_t at = (taken++ * stride) % poolPieces * kPiece;
            out.insert(out.end(), pool.begin() + at, pool.begin() + at + n);
        } else {
            out.insert(out.end(), n, 0);
        }
    }
    return out;
}

// The pool's own compressed bytes, repeated to `size`: as good as
// incompressible.
Bytes CompressedItem(const Bytes& pool, size_t size)
{
    Bytes packed;
    std::string error;
    if (!CompressZlib(pool, 6, &packed, &error)) Fail(error);
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        size_t n = size - out.size() < packed.size() ? size - out.size() : packed.size();
        out.insert(out.end(), packed.begin(), packed.begin() + n);
    }
    return out;
}

Bytes Compress(const Bytes& item)
{
    Bytes out;
    std::string error;
    if (!CompressZlib(item, 9, &out, &error)) Fail(error);
    return out;
}

double RatioOf(const Bytes& item)
{
    return static_cast<double>(item.size()) / Compress(item).size();
}

// The item of about `ratio`:1, found by bisecting the share of real pieces on
// a sample of 16 MiB (or the whole item when smaller).
Bytes ItemOfRatio(const Bytes& pool, double ratio, size_t size)
{
    if (ratio <= 1.0) return CompressedItem(pool, size);
    const size_t sample = size < (16u << 20) ? size : (16u << 20);
    double low = 0.0, high = 1.0;
    for (int i = 0; i < 14; ++i) {
        double middle = (low + high) / 2;
        if (RatioOf(MixedItem(pool, middle, sample)) > ratio) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return MixedItem(pool, (low + high) / 2, size);
}

// zlib's inflate into a block of the known size, with or without SHA-256 of
// the decoded bytes.  The block is allocated before the clock starts and is
// fresh each run (its pages not yet touched), as the block a decoder gets is.
double Baseline(const Bytes& compressed, size_t size, bool hash, int runs)
{
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        Bytef* out = static_cast<Bytef*>(malloc(size ? size : 1));
        if (out == nullptr) Fail("no memory for the baseline's block");
        double start = Now();
        uLongf length = static_cast<uLongf>(size);
        if (uncompress(out, &length, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK ||
            length != size) {
            Fail("baseline inflate failed");
        }
        if (hash) {
            unsigned char digest[SHA256_DIGEST_LENGTH];
            SHA256(out, length, digest);
        }
        double took = Now() - start;
        free(out);
        if (took < best) best = took;
    }
    return best;
}

double TimeReadPayloadRecord(const Bytes& item, const SigningKey& key, int runs)
{
    Bytes chain;
    std::string error;
    if (!WritePayloadChain(BytesOf("manifest"), {{1, item}}, key, &chain, &error)) Fail(error);
    PayloadSource source = {};
    source.rawBytes = chain.data();
    source.rawSize = static_cast<DWORD>(chain.size());
    source.flags = kPayloadCompressed | kPayloadSigned;
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        BYTE* data = nullptr;
        DWORD size = 0;
        double start = Now();
        StatusPair status = ReadPayloadRecord(&source, &FileRecord, 1, &data, &size);
        double took = Now() - start;
        if (status.code != 0 || size != item.size() || memcmp(data, item.data(), size) != 0) {
            Fail("ReadPayloadRecord failed (" + std::to_string(status.code) + ", " + std::to_string(status.line) + ")");
        }
        LocalFree(data);
        if (took < best) best = took;
    }
    return best;
}

double TimeInflateBuffer(const Bytes& compressed, size_t size, int runs)
{
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        BYTE* data = nullptr;
        DWORD decoded = 0;
        double start = Now();
        int result = InflateBuffer(&data, &decoded, compressed.data(), static_cast<DWORD>(compressed.size()));
        double took = Now() - start;
        if (result != 0 || decoded != size) Fail("InflateBuffer failed (" + std::to_string(result) + ")");
        LocalFree(data);
        if (took < best) best = took;
    }
    return best;
}

Options ParseOptions(int argc, char** argv)
{
    Options options = {5, 64u << 20, {}};
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            options.runs = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            options.size = strtoull(argv[++i], nullptr, 10);
        } else {
            options.files.push_back(argv[i]);
        }
    }
    if (options.runs < 1 || options.size < kPiece || options.size > (1u << 30) || options.files.empty()) {
        Fail("usage: decode-benchmark [--runs N] [--size BYTES] FILE...");
    }
    return options;
}

struct Row {
    std::string what;
    double ratio;
    size_t compressed;
    double baseline;
    double measured;
};

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    std::string error;
    SigningKey key;
    if (!LoadSigningKey(MSILAUNCH_BENCH_SIGNING_KEY, &key, &error)) {
        Fail(error + " (a build with a private payload key is needed)");
    }
    const Bytes pool = ReadPool(options.files);
    const double mib = options.size / 1048576.0;

    std::vector<Row> decodeRows, inflateRows;
    for (double ratio : {1.0, 3.0, 10.0, 100.0, 1000.0}) {
        const Bytes item = ItemOfRatio(pool, ratio, options.size);
        const Bytes compressed = Compress(item);
        const double actual = static_cast<double>(item.size()) / compressed.size();
        const int target = static_cast<int>(ratio);
        if (target == 3 || target == 10 || target == 100) {
            Row row = {"decode " + std::to_string(target) + ":1", actual, compressed.size(), 0, 0};
            row.measured = TimeReadPayloadRecord(item, key, options.runs);
            row.baseline = Baseline(compressed, item.size(), true, options.runs);
            printf("figure decode-ratio-%d %.3f\n", target, row.baseline / row.measured);
            decodeRows.push_back(row);
        }
        Row row = {"inflate " + std::to_string(target) + ":1", actual, compressed.size(), 0, 0};
        row.measured = TimeInflateBuffer(compressed, item.size(), options.runs);
        row.baseline = Baseline(compressed, item.size(), false, options.runs);
        printf("figure inflate-ns-per-byte-%d %.3f\n", target, row.measured * 1e9 / item.size());
        printf("figure inflate-ratio-%d %.3f\n", target, row.baseline / row.measured);
        inflateRows.push_back(row);
    }

    printf("\nInputs: %zu bytes from %zu files (", pool.size(), options.files.size());
    for (size_t i = 0; i < options.files.size() && i < 4; ++i) printf("%s%s", i ? ", " : "", options.files[i]);
    printf("%s), items of %.0f MiB; best of %d runs.\n", options.files.size() > 4 ? ", ..." : "", mib,
           options.runs);
    printf("Ratio = baseline time / measured time (1 = as fast as the baseline).\n\n");
    printf("%-14s %9s %12s %12s %12s %8s %10s\n", "item", "zlib", "compressed", "baseline", "measured", "ratio",
           "ns/byte");
    for (const std::vector<Row>* rows : {&decodeRows, &inflateRows}) {
        for (const Row& row : *rows) {
            printf("%-14s %8.1f:1 %12zu %9.1f ms %9.1f ms %8.3f %10.3f\n", row.what.c_str(), row.ratio,
                   row.compressed, row.baseline * 1e3, row.measured * 1e3, row.baseline / row.measured,
                   row.measured * 1e9 / options.size);
        }
    }
    printf("\ndecode: ReadPayloadRecord against inflate + SHA-256; inflate: InflateBuffer against inflate.\n");
    return 0;
}
