// Loading a setup program's payload through the launcher's reader.
#include "pack/setup_payload.h"

#include <string.h>

#include "pack/inspected_key.h"
#include "pack/launcher_image.h"
#include "pack/payload_key_files.h"
#include "payload/manifest_table.h"
#include "payload/payload_record.h"

SetupPayload::SetupPayload()
{
    ZeroMemory(&state_, sizeof(state_));
    loadStatus_ = MakeStatus(nullptr, ERROR_NOT_FOUND, 0);
}

SetupPayload::~SetupPayload()
{
    FreePayloadSources(&state_);
}

bool SetupPayload::Load(const std::string& path, const Bytes& image, const Bytes& keyBlob, std::string* error)
{
    FreePayloadSources(&state_);
    if (!UseInspectedKey(keyBlob)) {
        *error = "the payload key is no 276-byte PUBLICKEYBLOB";
        return false;
    }
    if (static_cast<uint64_t>(image.size()) >> 32 != 0) {
        *error = path + " is larger than 4294967295 bytes, which the launcher cannot read";
        return false;
    }
    loadStatus_ = LoadPayloadSources(&state_, image.data(), static_cast<DWORD>(image.size()));
    if (loadStatus_.code != 0) {
        *error = path + ": the launcher would find no usable payload: " + DescribeReadStatus(loadStatus_);
        return false;
    }
    return true;
}

std::vector<ChainRecordInfo> ListChainRecords(const PayloadSource& source, bool* complete)
{
    std::vector<ChainRecordInfo> records;
    *complete = false;
    DWORD p = source.rawSize;
    while (p >= kRecordTrailerSize) {
        p -= kRecordTrailerSize;
        RecordTrailer trailer;
        ReadRecordTrailer(source.rawBytes + p, &trailer);
        const bool manifest = memcmp(trailer.kind.bytes, ManifestRecord.bytes, kRecordKindSize) == 0;
        const bool file = memcmp(trailer.kind.bytes, FileRecord.bytes, kRecordKindSize) == 0;
        if (!manifest && !file) break;
        if (p < trailer.signatureLength || p - trailer.signatureLength < trailer.dataLength) break;
        p -= trailer.signatureLength + trailer.dataLength;
        records.insert(records.begin(), {manifest, trailer.id, p, trailer.dataLength, trailer.signatureLength});
        if (manifest) {
            *complete = true;
            break;
        }
    }
    return records;
}

namespace {

struct LineCollector {
    std::vector<ManifestLineInfo>* lines;
};

int CollectLine(DWORD sourceIndex, DWORD entryId, const char* text, void* userData)
{
    static_cast<LineCollector*>(userData)->lines->push_back({sourceIndex, entryId, text});
    return 1;
}

}  // namespace

std::vector<ManifestLineInfo> ListManifestLines(const LauncherState* state, bool* complete)
{
    std::vector<ManifestLineInfo> lines;
    LineCollector collector = {&lines};
    *complete = EnumManifestEntries(state, CollectLine, &collector);
    return lines;
}

bool ChooseVerifyingKey(const Bytes& image, const std::string& imagePath, const std::string& keyPath, Bytes* blob,
                        std::string* origin, std::string* error)
{
    if (!keyPath.empty()) {
        if (!LoadPublicKeyBlob(keyPath, blob, error)) return false;
        *origin = keyPath;
        return true;
    }
    switch (FindCompiledPublicKey(image, blob)) {
    case kKeyFound: *origin = "the key compiled into the launcher"; return true;
    case kKeyNotFound: *error = imagePath + " holds no compiled-in payload key; give --key"; return false;
    case kKeyAmbiguous:
        *error = imagePath + " holds more than one payload key blob; give --key";
        return false;
    }
    return false;
}

std::string DescribeReadStatus(StatusPair status)
{
    std::string text = "(" + std::to_string(status.code) + ", " + std::to_string(status.line) + ")";
    const DWORD code = status.code;
    if (code == 0) return text + " verified";
    if (code == ERROR_NOT_FOUND) return text + " no such record";
    if (code == ERROR_INVALID_DATA) return text + " the data is no valid zlib stream";
    if (code == ERROR_FILE_CORRUPT) return text + " the signature does not verify against the payload key";
    if (code == static_cast<DWORD>(NTE_BAD_KEY)) return text + " the payload key cannot be parsed";
    if (code == ERROR_NOT_ENOUGH_MEMORY) return text + " out of memory";
    return text + " cannot be read";
}
