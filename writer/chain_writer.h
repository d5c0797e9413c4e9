// Whole payload chains: the manifest record at the head, then one file record
// per file in the order given, every record compressed and signed (the
// PayloadFlags 3 of every source the launcher makes).
#ifndef MSILAUNCH_WRITER_CHAIN_WRITER_H
#define MSILAUNCH_WRITER_CHAIN_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/bytes.h"
#include "writer/signing_key.h"

struct ChainFile {
    uint32_t id;
    Bytes item;
};

bool WritePayloadChain(const Bytes& manifestTable, const std::vector<ChainFile>& files, const SigningKey& key,
                       Bytes* chain, std::string* error);

#endif
