// PE32 header checks, the compiled-in key search and the payload test.
#include "pack/launcher_image.h"

#include <string.h>

#include <algorithm>
#include <functional>

#include "payload/payload_record.h"

namespace {

const uint16_t kPe32Magic = 0x10B;
const uint16_t kMachineI386 = 0x14C;
const size_t kSecurityDirectory = 152;  // from e_lfanew: data directory 4 of a PE32 optional header
const size_t kHeadersThroughDirectories = 248;

const uint8_t kKeyBlobHeader[20] = {0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00, 'R',  'S',
                                    'A',  '1',  0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00};
const size_t kKeyBlobSize = 276;

uint16_t U16(const Bytes& in, size_t at)
{
    return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}

}  // namespace

bool ExamineLauncherImage(const Bytes& image, const std::string& path, LauncherImage* info, std::string* error)
{
    const std::string prefix = path + " is not a PE32 launcher image: ";
    const size_t n = image.size();
    if (n < 64 || image[0] != 'M' || image[1] != 'Z') {
        *error = prefix + "it does not start with an MZ header";
        return false;
    }
    const size_t peAt = LoadU32Le(image, 60);
    if (peAt > n || n - peAt < kHeadersThroughDirectories || LoadU32Le(image, peAt) != 0x00004550) {
        *error = prefix + "no PE header";
        return false;
    }
    if (U16(image, peAt + 24) != kPe32Magic) {
        *error = prefix + "its optional header is not PE32 (a 64-bit PE32+ image?)";
        return false;
    }
    if (U16(image, peAt + 4) != kMachineI386) {
        *error = prefix + "it is not built for i386";
        return false;
    }
    info->certificateTableOffset = LoadU32Le(image, peAt + kSecurityDirectory);
    info->certificateTableSize = LoadU32Le(image, peAt + kSecurityDirectory + 4);
    info->hasCertificateTable = info->certificateTableSize != 0;
    if (info->hasCertificateTable &&
        (info->certificateTableOffset > n || n - info->certificateTableOffset < info->certificateTableSize ||
         info->certificateTableSize < 8)) {
        *error = path + ": its certificate table does not lie inside the file";
        return false;
    }
    return true;
}

KeyBlobSearch FindCompiledPublicKey(const Bytes& image, Bytes* blob)
{
    std::boyer_moore_horspool_searcher<const uint8_t*> searcher(kKeyBlobHeader, kKeyBlobHeader + sizeof(kKeyBlobHeader));
    const uint8_t* begin = image.data();
    const uint8_t* end = begin + image.size();
    Bytes found;
    for (const uint8_t* at = begin;;) {
        at = std::search(at, end, searcher);
        if (at == end) break;
        if (static_cast<size_t>(end - at) >= kKeyBlobSize) {
            Bytes candidate(at, at + kKeyBlobSize);
            if (found.empty()) {
                found.swap(candidate);
            } else if (candidate != found) {
                return kKeyAmbiguous;
            }
        }
        at += 1;
    }
    if (found.empty()) return kKeyNotFound;
    blob->swap(found);
    return kKeyFound;
}

bool EndsInPayloadRecord(const Bytes& image)
{
    if (image.size() < kRecordTrailerSize) return false;
    const uint8_t* kind = image.data() + image.size() - kRecordTrailerSize;
    return memcmp(kind, ManifestRecord.bytes, kRecordKindSize) == 0 ||
           memcmp(kind, FileRecord.bytes, kRecordKindSize) == 0;
}
