// Walking the manifest tables: entries are read with every bound checked
// against the manifest's size, each text converted to the ANSI code page in a
// block of its own that lives for the callback's call.
#include "payload/manifest_table.h"

#include <stdint.h>
#include <string.h>

#include "launcher/launcher_state.h"
#include "payload/little_endian.h"

namespace {

const DWORD kEntryHeaderSize = 8;

// The text as a NUL-terminated ANSI string in a new zero-filled block, or null
// when there is no memory.  UTF-16 read from an odd address is first copied to
// an aligned block (a table with an odd text length puts later texts there).
char* ConvertText(const BYTE* text, DWORD units)
{
    const WCHAR* wide = reinterpret_cast<const WCHAR*>(text);
    WCHAR* aligned = nullptr;
    if (units > 0 && reinterpret_cast<uintptr_t>(text) % sizeof(WCHAR) != 0) {
        aligned = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR)));
        if (aligned == nullptr) return nullptr;
        memcpy(aligned, text, units * sizeof(WCHAR));
        wide = aligned;
    }
    int needed = 0;
    if (units > 0) needed = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(units), nullptr, 0, nullptr, nullptr);
    if (needed < 0) needed = 0;
    char* ansi = static_cast<char*>(LocalAlloc(LPTR, static_cast<DWORD>(needed) + 1));
    if (ansi != nullptr && needed > 0) {
        WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(units), ansi, needed, nullptr, nullptr);
    }
    LocalFree(aligned);
    return ansi;
}

}  // namespace

bool EnumManifestEntries(const LauncherState* state, ManifestEntryCallback callback, void* userData)
{
    bool goOn = true;
    bool ok = true;
    for (DWORD index = 0; index < state->sourceCount && goOn && ok; ++index) {
        const BYTE* manifest = state->sources[index].manifest;
        const DWORD size = state->sources[index].manifestSize;
        DWORD p = 0;
        while (p < size && goOn && ok) {
            if (size - p < kEntryHeaderSize) {
                ok = false;
                break;
            }
            const DWORD id = ReadU32Le(manifest + p);
            const DWORD length = ReadU32Le(manifest + p + 4);
            p += kEntryHeaderSize;
            if (length > size - p) {
                ok = false;
                break;
            }
            const BYTE* text = manifest + p;
            p += length;
            // An odd length leaves its last byte out of the text.
            char* ansi = ConvertText(text, length / 2);
            if (ansi == nullptr) {
                ok = false;
                break;
            }
            int more = callback(index, id, ansi, userData);
            LocalFree(ansi);
            if (more == 0) goOn = false;
        }
    }
    return ok;
}
