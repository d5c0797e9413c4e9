// Payload records as the launcher reads them: an item sealed for a source's
// PayloadFlags (bit 0: zlib-compressed, bit 1: signed), and a record laid out
// as data, signature and the 28-byte trailer (kind, id, signature length,
// data length).
#ifndef MSILAUNCH_WRITER_RECORD_WRITER_H
#define MSILAUNCH_WRITER_RECORD_WRITER_H

#include <stdint.h>

#include <string>

#include "payload/payload_record.h"
#include "writer/bytes.h"
#include "writer/signing_key.h"

// The data and signature fields of one record.
struct RecordParts {
    Bytes data;
    Bytes signature;
};

// zlib stream (RFC 1950) of the bytes at `level` (0 to 9).
bool CompressZlib(const Bytes& in, int level, Bytes* out, std::string* error);

// The fields for an item: data is the item compressed at level 9 when flags has
// kPayloadCompressed, else the item; the signature is made over the item with
// key when flags has kPayloadSigned (key must then be given), else empty.
bool SealPayloadItem(const Bytes& item, uint32_t flags, const SigningKey* key, RecordParts* parts,
                     std::string* error);

// The 28 trailer bytes.
Bytes EncodeRecordTrailer(const RecordKind& kind, uint32_t id, uint32_t signatureLength, uint32_t dataLength);

// Appends data, signature and their trailer to the chain.
void AppendPayloadRecord(Bytes* chain, const RecordKind& kind, uint32_t id, const Bytes& data,
                         const Bytes& signature);

#endif
