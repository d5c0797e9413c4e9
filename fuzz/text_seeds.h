// Seeds of the text targets, written by make-fuzz-seeds: DIR/manifest_line
// (manifest lines for the selection) and DIR/command_line (launcher command
// lines).  The input layouts are described at the top of each target.
#ifndef MSILAUNCH_FUZZ_TEXT_SEEDS_H
#define MSILAUNCH_FUZZ_TEXT_SEEDS_H

#include <string>

// Makes both folders under root and fills them; false (after a message) when
// a file cannot be written.
bool WriteTextSeeds(const std::string& root);

#endif
