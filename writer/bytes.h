// Byte strings of the payload writer, and little-endian appends and stores.
#ifndef MSILAUNCH_WRITER_BYTES_H
#define MSILAUNCH_WRITER_BYTES_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

inline void AppendU32Le(Bytes* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void AppendBytes(Bytes* out, const Bytes& more)
{
    out->insert(out->end(), more.begin(), more.end());
}

inline void StoreU32Le(Bytes* out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void StoreU16Le(Bytes* out, size_t at, uint16_t value)
{
    (*out)[at] = static_cast<uint8_t>(value);
    (*out)[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline uint32_t LoadU32Le(const Bytes& in, size_t at)
{
    return static_cast<uint32_t>(in[at]) | (static_cast<uint32_t>(in[at + 1]) << 8) |
           (static_cast<uint32_t>(in[at + 2]) << 16) | (static_cast<uint32_t>(in[at + 3]) << 24);
}

inline Bytes BytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// Whole files; false (with *error) when the file cannot be read or written.
bool ReadFileBytes(const std::string& path, Bytes* out, std::string* error);
bool WriteFileBytes(const std::string& path, const Bytes& data, std::string* error);

#endif
