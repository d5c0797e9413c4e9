// PE32 images for the payload writer: the security directory (data directory
// 4: file offset and size of the certificate table), the header checksum, and
// a header-only PE32 image for tests and fuzz seeds.
#ifndef MSILAUNCH_WRITER_PE_IMAGE_H
#define MSILAUNCH_WRITER_PE_IMAGE_H

#include <stdint.h>

#include <string>

#include "writer/bytes.h"

// Where the PE signature of a PE32 image lies (e_lfanew); false for anything
// that is not a PE32 image whose headers fit the file.
bool LocatePe32(const Bytes& image, uint32_t* peOffset, std::string* error);

bool ReadSecurityDirectory(const Bytes& image, uint32_t* offset, uint32_t* size, std::string* error);
bool WriteSecurityDirectory(Bytes* image, uint32_t offset, uint32_t size, std::string* error);

// Recomputes the optional header's CheckSum as the image loader does.
bool UpdatePeChecksum(Bytes* image, std::string* error);

// A PE32 image of headers only (no sections) padded to `size` bytes (at least
// 512): enough for anything that reads headers and the certificate table.
Bytes MakeSkeletonPe32(size_t size);

#endif
