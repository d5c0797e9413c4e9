// Sealing the manifest and every planned item into one chain.
#include "pack/chain_builder.h"

#include <chrono>

#include "payload/payload_record.h"
#include "writer/manifest_writer.h"
#include "writer/record_writer.h"

namespace {

const uint32_t kFlags = kPayloadCompressed | kPayloadSigned;

std::string Megabytes(uint64_t bytes)
{
    char text[32];
    snprintf(text, sizeof(text), "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

bool AppendSealed(Bytes* chain, const RecordKind& kind, uint32_t id, const Bytes& item, const SigningKey& key,
                  const std::string& name, std::string* error)
{
    RecordParts parts;
    if (!SealPayloadItem(item, kFlags, &key, &parts, error)) {
        *error = name + ": " + *error;
        return false;
    }
    if (parts.data.size() > kMaxItemBytes || chain->size() + parts.data.size() + parts.signature.size() +
                                                     kRecordTrailerSize > kMaxItemBytes) {
        *error = name + ": the payload grows past 4294967295 bytes, beyond the format's 32-bit sizes";
        return false;
    }
    AppendPayloadRecord(chain, kind, id, parts.data, parts.signature);
    return true;
}

// The whole file in one block of its planned size (no growth on the way).
bool ReadPlannedItem(const PlannedItem& item, Bytes* bytes, std::string* error)
{
    FILE* file = fopen(item.path.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open " + item.path;
        return false;
    }
    bytes->resize(static_cast<size_t>(item.size));
    bool ok = fread(bytes->data(), 1, bytes->size(), file) == bytes->size() && fgetc(file) == EOF && !ferror(file);
    fclose(file);
    if (!ok) *error = "cannot read " + item.path + " (did it change while the package was built?)";
    return ok;
}

}  // namespace

bool BuildPlannedChain(const PackagePlan& plan, const SigningKey& key, FILE* progress, Bytes* chain,
                       std::string* error)
{
    uint64_t total = 0;
    for (const PlannedItem& item : plan.items) total += item.size;
    const bool report = progress != nullptr && total >= kProgressItemBytes;
    const auto start = std::chrono::steady_clock::now();

    Bytes out;
    if (!AppendSealed(&out, ManifestRecord, 0, WriteManifestTable(plan.lines), key, "the manifest", error)) {
        return false;
    }
    uint64_t done = 0;
    for (const PlannedItem& item : plan.items) {
        if (report && item.size >= kProgressItemBytes) {
            fprintf(progress, "msilaunch-pack: compressing and signing %s (%s, %.0f%% of the payload done)\n",
                    item.path.c_str(), Megabytes(item.size).c_str(), 100.0 * static_cast<double>(done) / total);
            fflush(progress);
        }
        Bytes bytes;
        if (!ReadPlannedItem(item, &bytes, error)) return false;
        if (!AppendSealed(&out, FileRecord, item.id, bytes, key, item.path, error)) return false;
        done += item.size;
    }
    if (report) {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        fprintf(progress, "msilaunch-pack: %s of items sealed into %s in %.1f s\n", Megabytes(total).c_str(),
                Megabytes(out.size()).c_str(), seconds);
    }
    chain->swap(out);
    return true;
}
