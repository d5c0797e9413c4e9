// What the package builder reads from an MSI database (through libmsi): the
// Summary Information "Template" ("x64;1033,1031": platform, then the
// languages), ProductCode and ProductName from the Property table, and the
// external cabinets of the Media table ("#name" cabinets live inside the
// database and are not listed).
#ifndef MSILAUNCH_PACK_MSI_METADATA_H
#define MSILAUNCH_PACK_MSI_METADATA_H

#include <string>
#include <vector>

struct MsiMetadata {
    std::string templatePlatform;   // before the ';' of the Template
    std::string templateLanguages;  // after it
    std::string productCode;        // empty when the Property table lacks it
    std::string productName;
    std::vector<std::string> externalCabinets;  // Media.Cabinet in DiskId order, without "#name" ones
    bool hasUncompressedMedia;                  // a Media row without a cabinet (loose source files)
};

// False, naming the file and the reason, when it cannot be opened as an MSI
// database or its tables cannot be read.  A build without libmsi always
// fails here and wants every field given by hand.
bool ReadMsiMetadata(const std::string& path, MsiMetadata* metadata, std::string* error);

#endif
