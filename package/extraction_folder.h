// The extraction folder and the output files: choosing the folder and creating
// one output file per package file, and at the end of the run freeing them and
// removing what Windows Installer did not keep.
#ifndef MSILAUNCH_PACKAGE_EXTRACTION_FOLDER_H
#define MSILAUNCH_PACKAGE_EXTRACTION_FOLDER_H

#include "launcher/launcher_state.h"

StatusPair PrepareOutputFiles(RunState* run, LauncherState* state);
void RemoveExtractedFiles(RunState* run, LauncherState* state);

#endif
