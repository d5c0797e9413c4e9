// EnumManifestEntries over arbitrary manifests.  Input: one byte giving the
// number of sources (1 to 3) and the callback's stop point, then the bytes,
// split evenly into the sources' manifests (each an exact-size copy).
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "launcher/launcher_state.h"
#include "payload/manifest_table.h"

namespace {

struct Walk {
    DWORD calls;
    DWORD stopAt;  // 0: never
    DWORD sourceCount;
};

int Visit(DWORD sourceIndex, DWORD, const char* text, void* userData)
{
    Walk* walk = static_cast<Walk*>(userData);
    if (sourceIndex >= walk->sourceCount) __builtin_trap();
    volatile size_t length = strlen(text);
    (void)length;
    ++walk->calls;
    return walk->stopAt == 0 || walk->calls < walk->stopAt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const DWORD count = 1 + data[0] % 3;
    const size_t each = (size - 1) / count;
    std::vector<std::vector<BYTE>> manifests(count);
    std::vector<PayloadSource> sources(count);
    for (DWORD i = 0; i < count; ++i) {
        size_t from = 1 + i * each;
        size_t to = i + 1 == count ? size : from + each;
        manifests[i].assign(data + from, data + to);
        sources[i] = PayloadSource{};
        sources[i].manifest = manifests[i].empty() ? nullptr : manifests[i].data();
        sources[i].manifestSize = static_cast<DWORD>(manifests[i].size());
    }
    LauncherState state = {};
    state.sources = sources.data();
    state.sourceCount = count;
    Walk walk = {0, static_cast<DWORD>(data[0] >> 2), count};
    EnumManifestEntries(&state, Visit, &walk);
    return 0;
}
