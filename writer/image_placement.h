// The three places a payload chain stands in a launcher image:
//   - at the end of an unsigned image (the whole file is the source);
//   - inside the certificate table of a signed image, behind the SignedData:
//     zero padding, then the chain, with the entry's dwLength and the security
//     directory's size extended to the end of the file (a signing tool's
//     verification still accepts the signature: the table is not hashed);
//   - as the value of a certificate extension (certificate_writer.h) of a
//     certificate in the image's signature (extension_placement.h).
// Every function writes a new image and recomputes the header checksum.
#ifndef MSILAUNCH_WRITER_IMAGE_PLACEMENT_H
#define MSILAUNCH_WRITER_IMAGE_PLACEMENT_H

#include <string>

#include "writer/bytes.h"

// The image with the chain appended; refuses a signed image (its certificate
// table must stay the last thing in the file).
bool AppendChainToImage(const Bytes& image, const Bytes& chain, Bytes* out, std::string* error);

// Where the signed image's certificate table lies, when it is one entry at the
// end of the file, as signing tools write it: its offset, the security
// directory's size, and the entry's dwLength.
bool LocateLastCertificateEntry(const Bytes& signedImage, uint32_t* offset, uint32_t* size, uint32_t* entryLength,
                                std::string* error);

// The signed image with the chain inside its certificate table; the table must
// be one entry at the end of the file, as signing tools write it.
bool AppendChainToCertificateTable(const Bytes& signedImage, const Bytes& chain, Bytes* out, std::string* error);

// The image signed with `signedData` as its one certificate table entry
// (revision 0x0200, type PKCS_SIGNED_DATA, padded to 8 bytes) at its end: a
// stand-in for a signing tool where only the table's content matters.
bool AttachCertificateTable(const Bytes& image, const Bytes& signedData, Bytes* out, std::string* error);

#endif
