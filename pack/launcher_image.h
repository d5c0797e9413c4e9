// What the package builder needs to know about a launcher image before it
// places a payload in it: that it is a PE32 file for i386, whether it has a
// certificate table (an Authenticode signature), the payload key compiled
// into it, and whether a chain already ends it.
#ifndef MSILAUNCH_PACK_LAUNCHER_IMAGE_H
#define MSILAUNCH_PACK_LAUNCHER_IMAGE_H

#include <stdint.h>

#include <string>

#include "writer/bytes.h"

struct LauncherImage {
    bool hasCertificateTable;        // the security directory is not empty
    uint32_t certificateTableOffset;  // file offset of the security directory
    uint32_t certificateTableSize;
};

// False, with the reason, when the bytes are no PE32 (i386) image or its
// security directory does not lie inside the file.
bool ExamineLauncherImage(const Bytes& image, const std::string& path, LauncherImage* info, std::string* error);

// The launcher's PUBLICKEYBLOB: the image has no symbol table, so the key is
// found by its 20-byte header (06 02 00 00, 00 A4 00 00, "RSA1", 2048 bits,
// exponent 65537) followed by 256 modulus bytes.  kKeyAmbiguous when the
// header stands before two different moduli.
enum KeyBlobSearch { kKeyFound, kKeyNotFound, kKeyAmbiguous };
KeyBlobSearch FindCompiledPublicKey(const Bytes& image, Bytes* blob);

// Whether the image's last 28 bytes are the trailer of a payload record.
bool EndsInPayloadRecord(const Bytes& image);

#endif
