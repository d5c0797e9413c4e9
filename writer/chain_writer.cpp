// Writing whole payload chains.
#include "writer/chain_writer.h"

#include "writer/record_writer.h"

bool WritePayloadChain(const Bytes& manifestTable, const std::vector<ChainFile>& files, const SigningKey& key,
                       Bytes* chain, std::string* error)
{
    const uint32_t flags = kPayloadCompressed | kPayloadSigned;
    Bytes out;
    RecordParts parts;
    if (!SealPayloadItem(manifestTable, flags, &key, &parts, error)) return false;
    AppendPayloadRecord(&out, ManifestRecord, 0, parts.data, parts.signature);
    for (const ChainFile& file : files) {
        if (!SealPayloadItem(file.item, flags, &key, &parts, error)) return false;
        AppendPayloadRecord(&out, FileRecord, file.id, parts.data, parts.signature);
    }
    chain->swap(out);
    return true;
}
