// Whole-file reads and writes of the payload writer.
#include "writer/bytes.h"

#include <stdio.h>

bool ReadFileBytes(const std::string& path, Bytes* out, std::string* error)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open " + path;
        return false;
    }
    out->clear();
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0) out->insert(out->end(), chunk, chunk + n);
    bool ok = !ferror(file);
    fclose(file);
    if (!ok) *error = "cannot read " + path;
    return ok;
}

bool WriteFileBytes(const std::string& path, const Bytes& data, std::string* error)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path;
        return false;
    }
    bool ok = fwrite(data.data(), 1, data.size(), file) == data.size();
    ok = fclose(file) == 0 && ok;
    if (!ok) *error = "cannot write " + path;
    return ok;
}
