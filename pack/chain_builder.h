// The record chain of a planned package: the manifest record first, then one
// file record per item in ascending id order, each item read from its file,
// compressed and signed (the writer's SealPayloadItem), and released before
// the next one is read, so at most one decoded item is held at a time.
#ifndef MSILAUNCH_PACK_CHAIN_BUILDER_H
#define MSILAUNCH_PACK_CHAIN_BUILDER_H

#include <stdio.h>

#include <string>

#include "pack/package_plan.h"
#include "writer/bytes.h"
#include "writer/signing_key.h"

// Progress lines go to `progress` (null: none) for items of at least
// kProgressItemBytes, and a total line when the payload is that large.
const uint64_t kProgressItemBytes = 8u << 20;

bool BuildPlannedChain(const PackagePlan& plan, const SigningKey& key, FILE* progress, Bytes* chain,
                       std::string* error);

#endif
