// PE32 headers for the payload writer.
#include "writer/pe_image.h"

namespace {

const uint32_t kHeadersSize = 248;  // signature, file header, PE32 optional header with 16 directories
const uint32_t kChecksumAt = 88;    // from the PE signature
const uint32_t kSecurityDirectoryAt = 152;

}  // namespace

bool LocatePe32(const Bytes& image, uint32_t* peOffset, std::string* error)
{
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') {
        *error = "not an MZ image";
        return false;
    }
    uint32_t at = LoadU32Le(image, 60);
    if (static_cast<uint64_t>(at) + kHeadersSize > image.size() || LoadU32Le(image, at) != 0x00004550u ||
        (image[at + 24] | (image[at + 25] << 8)) != 0x10B) {
        *error = "not a PE32 image";
        return false;
    }
    *peOffset = at;
    return true;
}

bool ReadSecurityDirectory(const Bytes& image, uint32_t* offset, uint32_t* size, std::string* error)
{
    uint32_t pe;
    if (!LocatePe32(image, &pe, error)) return false;
    *offset = LoadU32Le(image, pe + kSecurityDirectoryAt);
    *size = LoadU32Le(image, pe + kSecurityDirectoryAt + 4);
    return true;
}

bool WriteSecurityDirectory(Bytes* image, uint32_t offset, uint32_t size, std::string* error)
{
    uint32_t pe;
    if (!LocatePe32(*image, &pe, error)) return false;
    StoreU32Le(image, pe + kSecurityDirectoryAt, offset);
    StoreU32Le(image, pe + kSecurityDirectoryAt + 4, size);
    return true;
}

bool UpdatePeChecksum(Bytes* image, std::string* error)
{
    uint32_t pe;
    if (!LocatePe32(*image, &pe, error)) return false;
    const size_t checksumAt = pe + kChecksumAt;
    uint64_t sum = 0;
    for (size_t i = 0; i < image->size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) continue;
        uint32_t word = (*image)[i] | (i + 1 < image->size() ? (*image)[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    StoreU32Le(image, checksumAt, static_cast<uint32_t>(sum + image->size()));
    return true;
}

Bytes MakeSkeletonPe32(size_t size)
{
    Bytes image(size < 512 ? 512 : size, 0);
    image[0] = 'M';
    image[1] = 'Z';
    const uint32_t pe = 64;
    StoreU32Le(&image, 60, pe);
    StoreU32Le(&image, pe, 0x00004550u);
    StoreU16Le(&image, pe + 4, 0x014C);       // i386
    StoreU16Le(&image, pe + 20, 224);         // SizeOfOptionalHeader
    StoreU16Le(&image, pe + 22, 0x0102);      // executable, 32-bit
    StoreU16Le(&image, pe + 24, 0x010B);      // PE32
    StoreU32Le(&image, pe + 24 + 32, 0x1000); // SectionAlignment
    StoreU32Le(&image, pe + 24 + 36, 0x200);  // FileAlignment
    StoreU32Le(&image, pe + 24 + 56, 0x1000); // SizeOfImage
    StoreU32Le(&image, pe + 24 + 60, 0x200);  // SizeOfHeaders
    StoreU16Le(&image, pe + 24 + 68, 2);      // Windows GUI
    StoreU32Le(&image, pe + 24 + 92, 16);     // NumberOfRvaAndSizes
    for (size_t i = 512; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
    return image;
}
