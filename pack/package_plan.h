// The plan of a package: entry ids, manifest lines and the files to store.
// MSIs get ids from 1000 upward in the order given, CABs the ids after them
// in the order first used; one MSI line per MSI, one CAB line per distinct
// CAB (same file name, letter case aside, and same bytes) naming every MSI
// line that uses it, so a CAB shared by several MSIs is stored once.
#ifndef MSILAUNCH_PACK_PACKAGE_PLAN_H
#define MSILAUNCH_PACK_PACKAGE_PLAN_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/manifest_writer.h"

const uint32_t kFirstEntryId = 1000;
// The launcher reads every item into memory with 32-bit sizes.
const uint64_t kMaxItemBytes = 0xFFFFFFFFull;

// A CAB that an MSI uses: the name it is written under next to "main.msi",
// and the file that holds it.
struct CabSource {
    std::string name;
    std::string path;
};

// One MSI with every field of its line known.
struct PackageMsi {
    std::string path;
    std::string architecture;  // "x64" or "Intel"
    std::vector<uint32_t> languages;
    std::string productCode;
    std::string productName;
    std::vector<CabSource> cabs;
};

struct PlannedItem {
    uint32_t id;
    std::string path;
    uint64_t size;
};

struct PackagePlan {
    std::vector<ManifestLine> lines;  // in ascending id order
    std::vector<PlannedItem> items;   // the file records, in ascending id order
};

// Fails, naming the file and the reason, for a field the launcher would read
// otherwise than meant, a missing or oversized file, two MSIs of one
// architecture that share a language (the later could never be chosen), and
// two different CABs of one MSI under one name.
bool PlanPackage(const std::vector<PackageMsi>& msis, PackagePlan* plan, std::string* error);

#endif
