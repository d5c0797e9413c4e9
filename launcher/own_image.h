// The launcher's own image: its full path, and its whole file read into one
// block of the local heap.
#ifndef MSILAUNCH_LAUNCHER_OWN_IMAGE_H
#define MSILAUNCH_LAUNCHER_OWN_IMAGE_H

#include "launcher/platform.h"
#include "launcher/status.h"

// A new local-heap string with the full path of the running module, or null.
char* GetOwnPath(void);

// Reads the file at path into a new block (*image, *size).  Failures: cannot
// open (last error or 110, 2042), no size (132, 2035), no memory (last error
// or 8, 2030), short or failed read (30, 2023); nothing is then handed out.
StatusPair ReadOwnImage(const char* path, BYTE** image, DWORD* size);

#endif
