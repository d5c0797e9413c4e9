// Sealing payload items and laying out records.
#include "writer/record_writer.h"

#include <zlib.h>

bool CompressZlib(const Bytes& in, int level, Bytes* out, std::string* error)
{
    uLongf bound = compressBound(static_cast<uLong>(in.size()));
    out->resize(bound);
    int result = compress2(out->data(), &bound, in.data(), static_cast<uLong>(in.size()), level);
    if (result != Z_OK) {
        *error = "zlib compress2 failed";
        return false;
    }
    out->resize(bound);
    return true;
}

bool SealPayloadItem(const Bytes& item, uint32_t flags, const SigningKey* key, RecordParts* parts,
                     std::string* error)
{
    parts->data.clear();
    parts->signature.clear();
    if (flags & kPayloadCompressed) {
        if (!CompressZlib(item, 9, &parts->data, error)) return false;
    } else {
        parts->data = item;
    }
    if (flags & kPayloadSigned) {
        if (key == nullptr || !key->pkey) {
            *error = "a signed record needs a signing key";
            return false;
        }
        if (!SignPayloadItem(*key, item, &parts->signature, error)) return false;
    }
    return true;
}

Bytes EncodeRecordTrailer(const RecordKind& kind, uint32_t id, uint32_t signatureLength, uint32_t dataLength)
{
    Bytes trailer(kind.bytes, kind.bytes + kRecordKindSize);
    AppendU32Le(&trailer, id);
    AppendU32Le(&trailer, signatureLength);
    AppendU32Le(&trailer, dataLength);
    return trailer;
}

void AppendPayloadRecord(Bytes* chain, const RecordKind& kind, uint32_t id, const Bytes& data,
                         const Bytes& signature)
{
    AppendBytes(chain, data);
    AppendBytes(chain, signature);
    AppendBytes(chain, EncodeRecordTrailer(kind, id, static_cast<uint32_t>(signature.size()),
                                           static_cast<uint32_t>(data.size())));
}
