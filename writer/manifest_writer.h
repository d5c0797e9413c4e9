// Manifest tables: a run of entries, each a u32 id, a u32 text length in bytes
// and the text in UTF-16LE, without gaps or header.
#ifndef MSILAUNCH_WRITER_MANIFEST_WRITER_H
#define MSILAUNCH_WRITER_MANIFEST_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/bytes.h"

// One line: the id of the file record it names and its text (UTF-8 here).
struct ManifestLine {
    uint32_t id;
    std::string text;
};

// UTF-16LE bytes of UTF-8 text, with one NUL unit at the end when terminate is
// set.  Malformed UTF-8 bytes become U+FFFD.
Bytes Utf16LeText(const std::string& utf8, bool terminate);

// Appends one entry with the given text bytes (any length, odd ones too).
void AppendManifestEntry(Bytes* table, uint32_t id, const Bytes& textBytes);

// The table of the lines in order, every text ending in a NUL unit as the
// launcher's packages have it.
Bytes WriteManifestTable(const std::vector<ManifestLine>& lines);

#endif
