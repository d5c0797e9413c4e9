// The package the launcher would choose for an architecture and a user
// language: the launcher's own SelectPackage, run over a loaded payload, and
// its files ("main.msi", then the CABs) with their decoded, verified bytes.
#ifndef MSILAUNCH_PACK_PACKAGE_CHOICE_H
#define MSILAUNCH_PACK_PACKAGE_CHOICE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "launcher/launcher_state.h"
#include "writer/bytes.h"

struct ChosenFile {
    std::string name;
    Bytes bytes;
};

struct PackageChoice {
    bool chosen;                 // SelectPackage succeeded
    bool fellBackToUsEnglish;    // the third pass (LCID 1033) chose it
    uint32_t pass;               // the query's pass: 0 whole language identifier, 1 low byte
    int sourceIndex;
    uint32_t msiEntryId;         // 0 when nothing fits
    std::string productCode;
    std::string productName;
    std::vector<ChosenFile> files;
};

// is64: the WOW64 answer ("x64" machines); userLanguage: the user's LCID.
// The state's user language is restored afterwards.
PackageChoice ChoosePackage(LauncherState* state, bool is64, uint32_t userLanguage);

#endif
