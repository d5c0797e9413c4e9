// Reading one record out of a payload chain: the backward scan over the
// trailers, then the decode (inflate or copy) and the signature check.
#include "payload/payload_record.h"

#include <string.h>

#include "payload/inflate_buffer.h"
#include "payload/little_endian.h"
#include "payload/record_signature.h"

const RecordKind ManifestRecord = {
    {0xF7, 0xBB, 0xD5, 0xEE, 0x84, 0x12, 0x19, 0x46, 0x91, 0x8C, 0xF0, 0xCB, 0x8E, 0xE2, 0x8B, 0x55}};
const RecordKind FileRecord = {
    {0xD9, 0x8C, 0x24, 0xA1, 0x96, 0xEF, 0x6B, 0x43, 0x92, 0xBF, 0xC0, 0x0B, 0xAD, 0x72, 0x7E, 0x63}};

namespace {

// The status lines of one record kind's decode.
struct DecodeLines {
    DWORD inflated;
    DWORD inflateFailed;
    DWORD copied;
    DWORD copyNoMemory;
    DWORD badKey;
    DWORD badSignature;
};

const DecodeLines kManifestLines = {547, 551, 562, 566, 599, 592};
const DecodeLines kFileLines = {687, 691, 702, 706, 739, 732};

// A file record without data in a signed source has nothing that its
// signature could vouch for; it is refused rather than handing out the
// signature bytes unverified.
const DWORD kEmptySignedFileLine = 662;

bool SameKind(const RecordKind* a, const RecordKind* b)
{
    return memcmp(a->bytes, b->bytes, kRecordKindSize) == 0;
}

// Decodes the record whose data (dataLength bytes) and signature lie at the
// given places of the source, as the source's flags say.
StatusPair DecodeRecord(DWORD flags, bool isFile, const BYTE* data, DWORD dataLength, const BYTE* signature,
                        DWORD signatureLength, BYTE** out, DWORD* outSize)
{
    const DecodeLines* lines = isFile ? &kFileLines : &kManifestLines;
    if (isFile && (flags & kPayloadSigned) && dataLength == 0) {
        return MakeStatus(nullptr, ERROR_FILE_CORRUPT, kEmptySignedFileLine);
    }

    StatusPair status;
    BYTE* item = nullptr;
    DWORD itemSize = 0;
    if (flags & kPayloadCompressed) {
        if (InflateBuffer(&item, &itemSize, data, dataLength) != 0) {
            return MakeStatus(nullptr, ERROR_INVALID_DATA, lines->inflateFailed);
        }
        status = MakeStatus(nullptr, 0, lines->inflated);
    } else {
        item = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, dataLength));
        if (item == nullptr) return MakeStatus(GetLastError, ERROR_NOT_ENOUGH_MEMORY, lines->copyNoMemory);
        if (dataLength > 0) memcpy(item, data, dataLength);
        itemSize = dataLength;
        status = MakeStatus(nullptr, 0, lines->copied);
    }

    if (flags & kPayloadSigned) {
        SignatureCheck check = VerifyRecordSignature(item, itemSize, signature, signatureLength);
        if (check != kSignatureVerified) {
            LocalFree(item);
            if (check == kSignatureBadKey) return MakeStatus(nullptr, static_cast<DWORD>(NTE_BAD_KEY), lines->badKey);
            return MakeStatus(nullptr, ERROR_FILE_CORRUPT, lines->badSignature);
        }
    }
    *out = item;
    *outSize = itemSize;
    return status;
}

}  // namespace

void ReadRecordTrailer(const BYTE* at, RecordTrailer* trailer)
{
    memcpy(trailer->kind.bytes, at, kRecordKindSize);
    trailer->id = ReadU32Le(at + 16);
    trailer->signatureLength = ReadU32Le(at + 20);
    trailer->dataLength = ReadU32Le(at + 24);
}

StatusPair ReadPayloadRecord(const PayloadSource* source, const RecordKind* kind, DWORD id, BYTE** data,
                             DWORD* size)
{
    StatusPair status = MakeStatus(nullptr, ERROR_NOT_FOUND, 509);
    const BYTE* raw = source->rawBytes;
    const bool wantManifest = SameKind(kind, &ManifestRecord);
    const bool wantFile = SameKind(kind, &FileRecord);
    // Every subtraction below follows its comparison, so p never passes the
    // start of the source and every field read lies inside it.
    DWORD p = source->rawSize;
    while (p >= kRecordTrailerSize) {
        p -= kRecordTrailerSize;
        RecordTrailer trailer;
        ReadRecordTrailer(raw + p, &trailer);
        const DWORD s = trailer.signatureLength;
        const DWORD d = trailer.dataLength;

        if (SameKind(&trailer.kind, &ManifestRecord)) {
            // The head of the chain: whatever it holds, the scan ends here.
            if (p < s) break;
            p -= s;
            if (p < d) break;
            p -= d;
            if (wantManifest && trailer.id == id) {
                status = DecodeRecord(source->flags, false, raw + p, d, raw + p + d, s, data, size);
            }
            break;
        }
        if (!SameKind(&trailer.kind, &FileRecord)) break;

        // A file trailer whose fields do not fit leaves p where the fault was
        // met, and the next trailer is looked for just in front of it.
        if (p < s) continue;
        p -= s;
        if (p < d) continue;
        p -= d;
        if (wantFile && trailer.id == id) {
            status = DecodeRecord(source->flags, true, raw + p, d, raw + p + d, s, data, size);
            break;
        }
    }
    return status;
}
