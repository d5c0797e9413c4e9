// FindCertificateSources over arbitrary images (the PE checks, the PKCS#7 and
// X.509 parsers, the payload extensions and their chains).
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "launcher/launcher_state.h"
#include "payload/certificate_sources.h"
#include "payload/payload_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<BYTE> image(data, data + size);
    LauncherState state = {};
    StatusPair status = FindCertificateSources(&state, image.empty() ? nullptr : image.data(),
                                               static_cast<DWORD>(image.size()));
    for (DWORD i = 0; i < state.sourceCount; ++i) {
        if (state.sources[i].manifest == nullptr || state.sources[i].flags != 3) __builtin_trap();
    }
    if (status.code == 0 && state.sourceCount == 0 && status.line != 789) __builtin_trap();
    FreePayloadSources(&state);
    return 0;
}
