// decode-benchmark: what decoding a payload record costs against the work it
// cannot avoid, measured in one run on the host.
//   1. ReadPayloadRecord on a 64 MiB item of realistic compressibility (text,
//      table-like records and already-compressed bytes, about 3:1), against
//      zlib's inflate into a block of the known size plus SHA-256 of the same
//      bytes;
//   2. InflateBuffer on a 64 MiB item that compresses about 100:1, against the
//      same baseline for that item: whether growing the block costs more than
//      the decoding itself.
// Each figure is the best of --runs (default 5).  Usage:
//   decode-benchmark [--runs N]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <openssl/sha.h>
#include <zlib.h>

#include <string>

#include "payload/inflate_buffer.h"
#include "payload/payload_record.h"
#include "writer/chain_writer.h"
#include "writer/record_writer.h"

namespace {

const size_t kItemSize = 64u << 20;

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Random {
    uint64_t state;
    uint32_t Next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

// About a third each: words of text, fixed-layout records with small
// counters, and random bytes standing in for compressed cabinet content.
Bytes RealisticItem()
{
    static const char* const kWords[] = {"Component", "Feature", "Registry", "File", "Directory", "Property",
                                         "INSTALLDIR", "ProgramFiles", "Shortcut", "Media", "Cabinet", "Value",
                                         "Sequence", "Condition", "Action", "Dialog", "Control", "Binary"};
    Bytes out;
    out.reserve(kItemSize);
    Random random{12345};
    uint32_t counter = 0;
    while (out.size() < kItemSize) {
        uint32_t kind = random.Next() % 3;
        if (kind == 0) {
            for (int i = 0; i < 64; ++i) {
                const char* word = kWords[random.Next() % (sizeof(kWords) / sizeof(kWords[0]))];
                out.insert(out.end(), word, word + strlen(word));
                out.push_back(random.Next() % 8 == 0 ? '\n' : ' ');
            }
        } else if (kind == 1) {
            for (int i = 0; i < 32; ++i) {
                AppendU32Le(&out, ++counter);
                AppendU32Le(&out, counter % 97);
                AppendU32Le(&out, 0x00010000u | (random.Next() & 0xFF));
                AppendU32Le(&out, 0);
            }
        } else {
            for (int i = 0; i < 400; ++i) out.push_back(static_cast<uint8_t>(random.Next()));
        }
    }
    out.resize(kItemSize);
    return out;
}

// Repeated text with a random byte now and then: about 100:1 at level 9.
Bytes CompressibleItem()
{
    const std::string line = "INSTALLDIR=[ProgramFilesFolder]Example Product\\Bin; ";
    Bytes out;
    out.reserve(kItemSize);
    Random random{99};
    while (out.size() < kItemSize) {
        out.insert(out.end(), line.begin(), line.end());
        if (random.Next() % 9 == 0) out.push_back(static_cast<uint8_t>(random.Next()));
    }
    out.resize(kItemSize);
    return out;
}

// zlib inflate into a block of the known size, then SHA-256 of the bytes.
double Baseline(const Bytes& compressed, size_t size, int runs)
{
    Bytes out(size);
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        double start = Now();
        uLongf length = static_cast<uLongf>(size);
        if (uncompress(out.data(), &length, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK ||
            length != size) {
            fprintf(stderr, "decode-benchmark: baseline inflate failed\n");
            exit(1);
        }
        unsigned char digest[SHA256_DIGEST_LENGTH];
        SHA256(out.data(), length, digest);
        double took = Now() - start;
        if (took < best) best = took;
    }
    return best;
}

void Report(const char* what, double took, double baseline)
{
    printf("%-44s %8.1f ms  %7.1f MiB/s  %.2fx the baseline\n", what, took * 1e3, 64.0 / took, took / baseline);
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    if (argc == 3 && strcmp(argv[1], "--runs") == 0) runs = atoi(argv[2]);
    std::string error;
    SigningKey key;
    if (!LoadSigningKey(MSILAUNCH_BENCH_SIGNING_KEY, &key, &error)) {
        fprintf(stderr, "decode-benchmark: %s (a build with a private payload key is needed)\n", error.c_str());
        return 1;
    }

    const Bytes realistic = RealisticItem();
    Bytes chain;
    if (!WritePayloadChain(BytesOf("manifest"), {{1, realistic}}, key, &chain, &error)) {
        fprintf(stderr, "decode-benchmark: %s\n", error.c_str());
        return 1;
    }
    RecordParts parts;
    SealPayloadItem(realistic, kPayloadCompressed, nullptr, &parts, &error);
    const Bytes realisticCompressed = parts.data;
    PayloadSource source = {};
    source.rawBytes = chain.data();
    source.rawSize = static_cast<DWORD>(chain.size());
    source.flags = kPayloadCompressed | kPayloadSigned;
    double read = 1e9;
    for (int r = 0; r < runs; ++r) {
        BYTE* data = nullptr;
        DWORD size = 0;
        double start = Now();
        StatusPair status = ReadPayloadRecord(&source, &FileRecord, 1, &data, &size);
        double took = Now() - start;
        if (status.code != 0 || size != kItemSize || memcmp(data, realistic.data(), size) != 0) {
            fprintf(stderr, "decode-benchmark: ReadPayloadRecord failed (%u, %u)\n", status.code, status.line);
            return 1;
        }
        LocalFree(data);
        if (took < read) read = took;
    }
    double realisticBaseline = Baseline(realisticCompressed, kItemSize, runs);
    printf("64 MiB item, compressed %.2f:1 (%zu bytes); best of %d runs\n",
           double(kItemSize) / realisticCompressed.size(), realisticCompressed.size(), runs);
    Report("baseline: inflate (size known) + SHA-256", realisticBaseline, realisticBaseline);
    Report("ReadPayloadRecord (inflate, verify)", read, realisticBaseline);

    const Bytes compressible = CompressibleItem();
    Bytes compressed;
    CompressZlib(compressible, 9, &compressed, &error);
    double inflate = 1e9;
    for (int r = 0; r < runs; ++r) {
        BYTE* data = nullptr;
        DWORD size = 0;
        double start = Now();
        int result = InflateBuffer(&data, &size, compressed.data(), static_cast<DWORD>(compressed.size()));
        double took = Now() - start;
        if (result != 0 || size != kItemSize) {
            fprintf(stderr, "decode-benchmark: InflateBuffer failed (%d)\n", result);
            return 1;
        }
        LocalFree(data);
        if (took < inflate) inflate = took;
    }
    double compressibleBaseline = Baseline(compressed, kItemSize, runs);
    printf("64 MiB item, compressed %.1f:1 (%zu bytes, InflateBuffer step %zu bytes)\n",
           double(kItemSize) / compressed.size(), compressed.size(), compressed.size() / 8);
    Report("baseline: inflate (size known) + SHA-256", compressibleBaseline, compressibleBaseline);
    Report("InflateBuffer", inflate, compressibleBaseline);
    return 0;
}
