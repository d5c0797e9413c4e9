// One MSI as given on the command line: its path and whichever fields of its
// manifest line were given by hand.  ResolvePackageMsi fills the rest from
// the database (msi_metadata.h) and checks every field.
#ifndef MSILAUNCH_PACK_PACKAGE_INPUTS_H
#define MSILAUNCH_PACK_PACKAGE_INPUTS_H

#include <optional>
#include <string>
#include <vector>

#include "pack/package_plan.h"

struct MsiInput {
    std::string path;
    std::optional<std::string> architecture;
    std::optional<std::string> languages;
    std::optional<std::string> productCode;
    std::optional<std::string> productName;
    bool cabsGiven = false;        // --cab or --no-cabs: the Media table is not read
    std::vector<CabSource> cabs;   // hand-given CABs
};

// The database is opened only when a field is missing; external cabinets
// named by its Media table are looked for in the MSI's folder.
bool ResolvePackageMsi(const MsiInput& input, PackageMsi* msi, std::string* error);

// The folder part of a path ("" for a bare name) and the last part.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

#endif
