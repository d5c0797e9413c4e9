// The extraction pump: writes the decoded bytes of each package file into its
// output file, one bounded chunk per call, so that a progress window can run it
// from a timer.  The whole position lives in the ExtractionQueue, so a failed
// step can simply be taken again.
#ifndef MSILAUNCH_PACKAGE_EXTRACTION_PUMP_H
#define MSILAUNCH_PACKAGE_EXTRACTION_PUMP_H

#include "package/package_file.h"

// One step: either one write of at most chunkSize bytes, or a move to the next
// file.  Returns ERROR_MORE_DATA (234) to be called again, ERROR_WRITE_FAULT
// (29) after a failed or short write (calling again writes the rest of the
// same file), or 0 when every file is written and closed.  When percent is
// given it receives how much of the current file is written, 0 to 100.
DWORD ExtractionStep(ExtractionQueue* queue, int* percent);

#endif
