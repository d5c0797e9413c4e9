// Little-endian integers read from byte buffers that come from outside (the
// image, a record chain, a manifest); callers check the bounds first.
#ifndef MSILAUNCH_PAYLOAD_LITTLE_ENDIAN_H
#define MSILAUNCH_PAYLOAD_LITTLE_ENDIAN_H

#include "launcher/platform.h"

inline DWORD ReadU32Le(const BYTE* at)
{
    return static_cast<DWORD>(at[0]) | (static_cast<DWORD>(at[1]) << 8) | (static_cast<DWORD>(at[2]) << 16) |
           (static_cast<DWORD>(at[3]) << 24);
}

inline WORD ReadU16Le(const BYTE* at)
{
    return static_cast<WORD>(at[0] | (at[1] << 8));
}

#endif
