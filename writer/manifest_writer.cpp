// Writing manifest tables.
#include "writer/manifest_writer.h"

Bytes Utf16LeText(const std::string& utf8, bool terminate)
{
    Bytes out;
    auto unit = [&out](uint32_t u) {
        out.push_back(static_cast<uint8_t>(u));
        out.push_back(static_cast<uint8_t>(u >> 8));
    };
    const uint8_t* in = reinterpret_cast<const uint8_t*>(utf8.data());
    size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        uint32_t c = in[i];
        size_t extra = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
        if (c >= 0x80 && extra == 0) c = 0xFFFD;
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= n || (in[i + k] & 0xC0) != 0x80) {
                c = 0xFFFD;
                extra = 0;
                break;
            }
        }
        if (extra) {
            c &= 0x3Fu >> extra;
            for (size_t k = 1; k <= extra; ++k) c = (c << 6) | (in[i + k] & 0x3Fu);
        }
        i += extra + 1;
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    if (terminate) unit(0);
    return out;
}

void AppendManifestEntry(Bytes* table, uint32_t id, const Bytes& textBytes)
{
    AppendU32Le(table, id);
    AppendU32Le(table, static_cast<uint32_t>(textBytes.size()));
    AppendBytes(table, textBytes);
}

Bytes WriteManifestTable(const std::vector<ManifestLine>& lines)
{
    Bytes table;
    for (const ManifestLine& line : lines) AppendManifestEntry(&table, line.id, Utf16LeText(line.text, true));
    return table;
}
