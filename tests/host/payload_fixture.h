// Shared fixtures of the payload tests: the build tree's signing key, sources
// over byte strings made by the payload writer, and reads that return the
// decoded item as bytes and check that nothing leaked.
#ifndef MSILAUNCH_TESTS_HOST_PAYLOAD_FIXTURE_H
#define MSILAUNCH_TESTS_HOST_PAYLOAD_FIXTURE_H

#include <gtest/gtest.h>

#include "payload/payload_record.h"
#include "payload/payload_source.h"
#include "writer/bytes.h"
#include "writer/signing_key.h"

// The private key of the build tree's payload key, or null when the build was
// configured with a public key only.
const SigningKey* TestSigningKey();

#define REQUIRE_SIGNING_KEY()                                                            \
    do {                                                                                 \
        if (TestSigningKey() == nullptr) GTEST_SKIP() << "no private payload key given"; \
    } while (0)

// A source over the bytes (not owned; no manifest).
PayloadSource SourceOver(const Bytes& chain, DWORD flags);

struct ReadResult {
    StatusPair status;
    bool handedOut;  // a block came back
    Bytes item;
};

// ReadPayloadRecord on a source over chain; the block (if any) is copied out
// and freed.  Fails the test when a block leaks or one comes with a failure.
ReadResult ReadRecord(const Bytes& chain, DWORD flags, const RecordKind& kind, DWORD id);

// Signed, compressed records and chains with the test key (flags 3).
Bytes SignedRecord(const RecordKind& kind, DWORD id, const Bytes& item);
Bytes SignedChain(const Bytes& manifestTable, const std::vector<std::pair<DWORD, Bytes>>& files);

// Bytes 0..n-1 of a fixed pseudo-random sequence (seeded by `seed`).
Bytes NoiseBytes(size_t n, uint32_t seed);

inline ::testing::AssertionResult SameStatus(StatusPair got, DWORD code, DWORD line)
{
    if (got.code == code && got.line == line) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status (" << got.code << ", " << got.line << "), wanted (" << code
                                         << ", " << line << ")";
}

#endif
