// PackageFile: one file to extract — its name in the extraction folder, its
// decoded bytes, the output handle and the bytes written so far, its full
// path, and the handle that holds the written file unchanged for the installer.  ExtractionQueue: the files in order and the writer's position.
#ifndef MSILAUNCH_PACKAGE_PACKAGE_FILE_H
#define MSILAUNCH_PACKAGE_PACKAGE_FILE_H

#include "launcher/platform.h"

const DWORD kFileNameRoom = 261;
const DWORD kExtractionChunkSize = 524288;

struct PackageFile {
    char name[kFileNameRoom];
    BYTE* decodedBytes;
    DWORD decodedSize;
    HANDLE outputHandle;
    DWORD bytesWritten;
    char fullPath[kFileNameRoom];
    // From the end of extraction until the clean-up: a read handle that lets
    // others read the file but neither write, delete nor rename it.
    HANDLE lockHandle;
};

struct ExtractionQueue {
    PackageFile* files;
    int fileCount;
    int currentIndex;
    DWORD chunkSize;
    DWORD timerId;
};

#endif
