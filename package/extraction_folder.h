// The extraction folder and the output files.  PrepareOutputFiles chooses the
// folder (the product's folder under the Windows Installer folder, else one the
// user picks) and creates one output file per package file, undoing a failed
// attempt before the next; LockOutputFiles holds the written files unchanged
// until the installer has exited; RemoveExtractedFiles frees the package files
// at the end and removes the files and the folder unless the product is
// installed.
#ifndef MSILAUNCH_PACKAGE_EXTRACTION_FOLDER_H
#define MSILAUNCH_PACKAGE_EXTRACTION_FOLDER_H

#include "launcher/launcher_state.h"

// (0) when every output file was created or found present with the package's
// own bytes; (1223, 2219) with the report suppressed when the user cancelled
// the folder browser.
StatusPair PrepareOutputFiles(RunState* run, const LauncherState* state);

// After extraction: opens every written file for reading while denying others
// to write, delete or rename it, and checks under that lock that it holds the
// package's bytes.  (0) on success; a file that cannot be opened (last error
// or 110, 2283) or holds other bytes (1392, 2285), with the system text and
// the file's path as message text.
StatusPair LockOutputFiles(RunState* run);

// Frees decoded bytes, closes handles, frees the array; deletes the files
// unless Windows Installer returned 0 or the product is now registered, and
// removes the folder unless the product is registered.
void RemoveExtractedFiles(RunState* run, const LauncherState* state);

// Whether a file or folder exists at path.  Wildcard characters are taken as
// they stand, never as patterns.
bool PathExists(const char* path);

// Whether the product's Uninstall key holds a non-empty "UninstallString", in
// the 64-bit registry view when is64, else the 32-bit one.
bool IsProductInstalled(const char* productCode, DWORD is64);

// The folder the folder browser pre-selects: the user's documents folder
// (created when missing), else the current folder.
void FindDefaultBrowseFolder(char* destination, DWORD size);

// SHGetSpecialFolderPathA from the shell library, or 0 when it is missing.
BOOL GetSpecialFolderPathDynamic(HWND window, char* path, int folderId, BOOL create);

#endif
