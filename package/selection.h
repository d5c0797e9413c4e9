// Package selection: the MSI line that fits the machine's architecture and the
// user's language, chosen in up to three passes over the manifests, and the CAB
// lines that name it; their records are decoded into the extraction queue.
#ifndef MSILAUNCH_PACKAGE_SELECTION_H
#define MSILAUNCH_PACKAGE_SELECTION_H

#include "launcher/platform.h"
#include "package/package_file.h"

struct LauncherState;

const DWORD kManifestFieldRoom = 256;

struct SelectionQuery {
    DWORD pass;
    int chosenSourceIndex;
    DWORD chosenEntryId;
    char architecture[kManifestFieldRoom];
    char languageList[kManifestFieldRoom];
    char productCode[kManifestFieldRoom];
    char productName[kManifestFieldRoom];
};

struct CabQuery {
    PackageFile** files;
    int* count;
    int sourceIndex;
    DWORD msiEntryId;
    DWORD errorFlag;
};

// The WOW64 test: non-zero when this 32-bit process runs on 64-bit Windows.
int RunningUnderWow64(void);

// Fills the query and the queue's files ("main.msi" first, then its CABs).
// False when nothing fits or a chosen record cannot be decoded.
bool SelectPackage(LauncherState* state, SelectionQuery* query, CabQuery* cabs, ExtractionQueue* queue);

#endif
