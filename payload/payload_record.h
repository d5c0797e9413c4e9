// The payload record chain: records laid end to end, each its data, its
// signature and a 28-byte RecordTrailer (kind, id, signature length, data
// length), the last record ending at the last byte of the source.
// ReadPayloadRecord is the one way to get a decoded, verified item out of a
// PayloadSource: it scans the chain backwards for (kind, id), inflates the
// record's data and checks its signature.
#ifndef MSILAUNCH_PAYLOAD_PAYLOAD_RECORD_H
#define MSILAUNCH_PAYLOAD_PAYLOAD_RECORD_H

#include "launcher/platform.h"
#include "launcher/status.h"
#include "payload/payload_source.h"

const DWORD kRecordKindSize = 16;
const DWORD kRecordTrailerSize = 28;

// A record kind: a GUID in the Windows byte order, as stored in a trailer.
struct RecordKind {
    BYTE bytes[kRecordKindSize];
};

// {EED5BBF7-1284-4619-918C-F0CB8EE28B55}: the manifest table, id 0, at the
// head of the chain.
extern const RecordKind ManifestRecord;
// {A1248CD9-EF96-436B-92BF-C00BAD727E63}: one MSI or CAB file, id of the
// manifest entry that names it.
extern const RecordKind FileRecord;

// The last 28 bytes of a record, decoded.
struct RecordTrailer {
    RecordKind kind;
    DWORD id;
    DWORD signatureLength;
    DWORD dataLength;
};

// PayloadFlags of a source.
const DWORD kPayloadCompressed = 1;  // record data is a zlib stream
const DWORD kPayloadSigned = 2;      // records are verified against PayloadPublicKey

// Decodes the trailer stored at `at` (28 bytes).
void ReadRecordTrailer(const BYTE* at, RecordTrailer* trailer);

// Finds the record (kind, id) in the source's chain and hands out its decoded
// item in a new block (*data, *size; LocalFree it).  Statuses, as (code, line)
// for a manifest / a file record: not found (1168, 509); inflated (0, 547 /
// 687); cannot be inflated (13, 551 / 691); copied (0, 562 / 702); no memory
// for the copy (last error or 8, 566 / 706); key not parsed (0x80090003, 599 /
// 739); signature does not verify (1392, 592 / 732); a file record without
// data in a signed source (1392, 662).  On failure nothing is handed out.
StatusPair ReadPayloadRecord(const PayloadSource* source, const RecordKind* kind, DWORD id, BYTE** data,
                             DWORD* size);

#endif
