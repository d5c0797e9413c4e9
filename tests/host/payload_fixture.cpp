// Shared fixtures of the payload tests.
#include "tests/host/payload_fixture.h"

#include "writer/chain_writer.h"
#include "writer/record_writer.h"

const SigningKey* TestSigningKey()
{
    static SigningKey key;
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::string path = MSILAUNCH_TEST_SIGNING_KEY;
        std::string error;
        if (!path.empty() && !LoadSigningKey(path, &key, &error)) ADD_FAILURE() << error;
    }
    return key.pkey ? &key : nullptr;
}

PayloadSource SourceOver(const Bytes& chain, DWORD flags)
{
    PayloadSource source = {};
    source.rawBytes = const_cast<BYTE*>(chain.data());
    source.rawSize = static_cast<DWORD>(chain.size());
    source.flags = flags;
    return source;
}

ReadResult ReadRecord(const Bytes& chain, DWORD flags, const RecordKind& kind, DWORD id)
{
    PayloadSource source = SourceOver(chain, flags);
    long live = HostLiveAllocations();
    BYTE* data = nullptr;
    DWORD size = 0;
    ReadResult result;
    result.status = ReadPayloadRecord(&source, &kind, id, &data, &size);
    result.handedOut = data != nullptr;
    if (data != nullptr) {
        result.item.assign(data, data + size);
        LocalFree(data);
    }
    EXPECT_EQ(HostLiveAllocations(), live) << "a block leaked";
    if (result.status.code != 0) {
        EXPECT_FALSE(result.handedOut) << "a block came with a failure";
    }
    return result;
}

Bytes SignedRecord(const RecordKind& kind, DWORD id, const Bytes& item)
{
    RecordParts parts;
    std::string error;
    EXPECT_TRUE(SealPayloadItem(item, kPayloadCompressed | kPayloadSigned, TestSigningKey(), &parts, &error)) << error;
    Bytes record;
    AppendPayloadRecord(&record, kind, id, parts.data, parts.signature);
    return record;
}

Bytes SignedChain(const Bytes& manifestTable, const std::vector<std::pair<DWORD, Bytes>>& files)
{
    std::vector<ChainFile> list;
    for (const auto& file : files) list.push_back(ChainFile{file.first, file.second});
    Bytes chain;
    std::string error;
    EXPECT_TRUE(WritePayloadChain(manifestTable, list, *TestSigningKey(), &chain, &error)) << error;
    return chain;
}

Bytes NoiseBytes(size_t n, uint32_t seed)
{
    Bytes out(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<uint8_t>(x);
    }
    return out;
}
