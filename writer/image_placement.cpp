// Placing payload chains in launcher images.
#include "writer/image_placement.h"

#include "writer/pe_image.h"

namespace {

const uint32_t kEntryHeaderSize = 8;

size_t RoundUp8(size_t n)
{
    return (n + 7) & ~static_cast<size_t>(7);
}

}  // namespace

bool AppendChainToImage(const Bytes& image, const Bytes& chain, Bytes* out, std::string* error)
{
    uint32_t offset = 0, size = 0;
    if (!ReadSecurityDirectory(image, &offset, &size, error)) return false;
    if (size != 0) {
        *error = "the image is signed: place the chain in its certificate table";
        return false;
    }
    Bytes result = image;
    AppendBytes(&result, chain);
    if (!UpdatePeChecksum(&result, error)) return false;
    out->swap(result);
    return true;
}

bool LocateLastCertificateEntry(const Bytes& signedImage, uint32_t* offset, uint32_t* size, uint32_t* entryLength,
                                std::string* error)
{
    if (!ReadSecurityDirectory(signedImage, offset, size, error)) return false;
    if (*size < kEntryHeaderSize || static_cast<uint64_t>(*offset) + *size != signedImage.size()) {
        *error = "the image has no certificate table at its end";
        return false;
    }
    *entryLength = LoadU32Le(signedImage, *offset);
    if (*entryLength < kEntryHeaderSize || RoundUp8(*entryLength) != *size) {
        *error = "the certificate table is not one entry";
        return false;
    }
    return true;
}

bool AppendChainToCertificateTable(const Bytes& signedImage, const Bytes& chain, Bytes* out, std::string* error)
{
    uint32_t offset = 0, size = 0, entryLength = 0;
    if (!LocateLastCertificateEntry(signedImage, &offset, &size, &entryLength, error)) return false;
    // Padding in front of the chain keeps the entry a multiple of 8 bytes.
    size_t padding = RoundUp8(size + chain.size()) - (size + chain.size());
    uint64_t total = static_cast<uint64_t>(size) + padding + chain.size();
    if (offset + total > 0xFFFFFFFFu) {
        *error = "the image would pass 4 GiB";
        return false;
    }
    Bytes result = signedImage;
    result.insert(result.end(), padding, 0);
    AppendBytes(&result, chain);
    StoreU32Le(&result, offset, static_cast<uint32_t>(total));
    if (!WriteSecurityDirectory(&result, offset, static_cast<uint32_t>(total), error)) return false;
    if (!UpdatePeChecksum(&result, error)) return false;
    out->swap(result);
    return true;
}

bool AttachCertificateTable(const Bytes& image, const Bytes& signedData, Bytes* out, std::string* error)
{
    uint32_t offset = 0, size = 0;
    if (!ReadSecurityDirectory(image, &offset, &size, error)) return false;
    if (size != 0) {
        *error = "the image is signed already";
        return false;
    }
    Bytes result = image;
    result.resize(RoundUp8(result.size()), 0);
    const uint32_t at = static_cast<uint32_t>(result.size());
    const uint32_t length = static_cast<uint32_t>(kEntryHeaderSize + signedData.size());
    AppendU32Le(&result, length);
    result.push_back(0x00);  // wRevision 0x0200
    result.push_back(0x02);
    result.push_back(0x02);  // wCertificateType 2: PKCS#7 SignedData
    result.push_back(0x00);
    AppendBytes(&result, signedData);
    result.resize(at + RoundUp8(length), 0);
    if (!WriteSecurityDirectory(&result, at, static_cast<uint32_t>(RoundUp8(length)), error)) return false;
    if (!UpdatePeChecksum(&result, error)) return false;
    out->swap(result);
    return true;
}
