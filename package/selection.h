// Package selection: the MSI line that fits the machine's architecture and the
// user's language, chosen in up to three passes over the manifests (the exact
// language, then its low byte, then US English 1033), and every CAB line that
// names it.  The chosen records are decoded into the extraction queue:
// "main.msi" first, then the CABs in walk order.
#ifndef MSILAUNCH_PACKAGE_SELECTION_H
#define MSILAUNCH_PACKAGE_SELECTION_H

#include "launcher/platform.h"
#include "package/manifest_line.h"
#include "package/package_file.h"

struct LauncherState;

struct SelectionQuery {
    DWORD pass;
    int chosenSourceIndex;
    DWORD chosenEntryId;
    ManifestField architecture;
    ManifestField languageList;
    ManifestField productCode;
    ManifestField productName;
};

struct CabQuery {
    PackageFile** files;
    int* count;
    int sourceIndex;
    DWORD msiEntryId;
    DWORD errorFlag;
};

// What the walks' callbacks get as user data: their query and the state whose
// language, architecture and sources they read.
struct MsiSearch {
    SelectionQuery* query;
    const LauncherState* state;
};
struct CabSearch {
    CabQuery* query;
    const LauncherState* state;
};

// Manifest walk callbacks.  SelectMsiEntry returns 0 exactly when it chose the
// line; CollectCabEntry always returns 1 and appends the CABs of the chosen MSI.
int SelectMsiEntry(DWORD sourceIndex, DWORD entryId, const char* text, void* search);
int CollectCabEntry(DWORD sourceIndex, DWORD entryId, const char* text, void* search);

// Zeroes file, names it and decodes the file record `entryId` of source
// `sourceIndex` into it; true when that worked.
bool LoadPackageFile(const LauncherState* state, int sourceIndex, DWORD entryId, PackageFile* file,
                     const char* name);

// The selection step: fills the query and the queue's files.  False when
// nothing fits, or a chosen record cannot be decoded or allocated; the file
// list may then hold what was decoded so far (the clean-up frees it).  The
// third pass stores 1033 as the state's user language.
bool SelectPackage(LauncherState* state, SelectionQuery* query, CabQuery* cabs, ExtractionQueue* queue);

// The WOW64 test: non-zero when this 32-bit process runs on 64-bit Windows.
int RunningUnderWow64(void);

#endif
