// A setup program's payload as the launcher sees it, read with the launcher's
// own code built for the host: LoadPayloadSources (certificate extensions
// first, else the whole image), ReadPayloadRecord for every record, and
// EnumManifestEntries for the lines.  The records of each source are listed
// by walking its trailers from the end, as the reader's scan does.
#ifndef MSILAUNCH_PACK_SETUP_PAYLOAD_H
#define MSILAUNCH_PACK_SETUP_PAYLOAD_H

#include <stdint.h>

#include <string>
#include <vector>

#include "launcher/launcher_state.h"
#include "writer/bytes.h"

// The launcher's state over a setup program's image; frees its sources.
class SetupPayload {
public:
    SetupPayload();
    SetupPayload(const SetupPayload&) = delete;
    SetupPayload& operator=(const SetupPayload&) = delete;
    ~SetupPayload();

    // Uses blob as the payload key and runs LoadPayloadSources on the image.
    // False (with the launcher's status in the error) when the payload cannot
    // be used, as the launcher would fail.
    bool Load(const std::string& path, const Bytes& image, const Bytes& keyBlob, std::string* error);

    LauncherState* state() { return &state_; }
    StatusPair loadStatus() const { return loadStatus_; }

private:
    LauncherState state_;
    StatusPair loadStatus_;
};

struct ChainRecordInfo {
    bool isManifest;
    uint32_t id;
    uint32_t offset;  // of its data, within the source
    uint32_t dataLength;
    uint32_t signatureLength;
};

// The records of a source, from the head of the chain to its end.  *complete
// is false when the walk met something that is no record before reaching the
// manifest record.
std::vector<ChainRecordInfo> ListChainRecords(const PayloadSource& source, bool* complete);

struct ManifestLineInfo {
    uint32_t sourceIndex;
    uint32_t id;
    std::string text;
};

// Every manifest line of every source, in walk order; *complete as
// EnumManifestEntries answers.
std::vector<ManifestLineInfo> ListManifestLines(const LauncherState* state, bool* complete);

// The key that records are verified against: the key in the PEM file at
// keyPath (public or private), or when keyPath is empty the key compiled
// into the setup program's launcher (launcher_image.h).  *origin says which.
bool ChooseVerifyingKey(const Bytes& image, const std::string& imagePath, const std::string& keyPath, Bytes* blob,
                        std::string* origin, std::string* error);

// "(code, line)" and a word on what the reader's status means.
std::string DescribeReadStatus(StatusPair status);

#endif
