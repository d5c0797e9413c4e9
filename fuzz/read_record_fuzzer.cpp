// ReadPayloadRecord over arbitrary sources and flags.  Input: one byte of
// PayloadFlags (low two bits), one byte choosing the kind (even: manifest,
// odd: file), a u32 id, then the source's raw bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "payload/payload_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) return 0;
    PayloadSource source = {};
    source.flags = data[0] & 3u;
    const RecordKind* kind = (data[1] & 1) ? &FileRecord : &ManifestRecord;
    DWORD id = static_cast<DWORD>(data[2]) | (static_cast<DWORD>(data[3]) << 8) | (static_cast<DWORD>(data[4]) << 16) |
               (static_cast<DWORD>(data[5]) << 24);
    // An exact-size copy, so any read past the source is caught.
    std::vector<BYTE> raw(data + 6, data + size);
    source.rawBytes = raw.empty() ? nullptr : raw.data();
    source.rawSize = static_cast<DWORD>(raw.size());
    BYTE* item = nullptr;
    DWORD itemSize = 0;
    StatusPair status = ReadPayloadRecord(&source, kind, id, &item, &itemSize);
    if (status.code == 0) {
        // Touch every byte handed out.
        volatile BYTE sum = 0;
        for (DWORD i = 0; i < itemSize; ++i) sum = sum + item[i];
    } else if (item != nullptr) {
        __builtin_trap();  // a block with a failure
    }
    LocalFree(item);
    return 0;
}
