// The text of manifest lines (ReadManifestFields, the number lists,
// EqualsIgnoringCase), the selection callbacks called directly on every line,
// and SelectPackage over the same sources.  Input: a 5-byte header, then bytes
// split evenly into the sources' manifests (each an exact-size copy).
//   byte 0: bits 0-1 the number of sources (1 + value % 3), bit 2 is64, bit 3
//           the pass of the direct SelectMsiEntry calls, bit 4 whether the
//           direct CollectCabEntry calls look in another source than the line's
//   bytes 1-2: the user language (little-endian)
//   byte 3: two bits per source, its record chain: 0 none, 1 plain (flags 0),
//           2 compressed and signed (flags 3, as every real source), 3 plain
//           but flagged signed (flags 2: every record fails its check)
//   byte 4: below 64, the local-heap allocation that fails (after that many
//           successful ones); otherwise none fails
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <strings.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "launcher/launcher_state.h"
#include "package/manifest_line.h"
#include "package/selection.h"
#include "payload/manifest_table.h"
#include "writer/record_writer.h"
#include "writer/signing_key.h"

#define CHECK(condition) \
    do {                 \
        if (!(condition)) __builtin_trap(); \
    } while (0)

namespace {

const size_t kHeaderSize = 5;
const BYTE kSentinel = 0x5A;

// The file records every chain holds (ids the seeds' manifests use, and a few
// odd ones); id 5 holds an empty item.
const DWORD kChainIds[] = {1, 2, 5, 7, 1000, 1001, 1002, 1003, 1004, 0xFFFFFFFFu};

std::string ItemOf(DWORD id)
{
    return id == 5 ? std::string() : "item " + std::to_string(id);
}

struct Chain {
    Bytes raw;
    DWORD flags;
};

// The chains of the four kinds; [0] is empty.
struct Chains {
    Chain kinds[4];
};

Chain MakeChain(DWORD flags, const SigningKey* key)
{
    Chain chain = {{}, flags};
    std::string error;
    RecordParts parts;
    if (!SealPayloadItem(BytesOf("manifest"), flags, key, &parts, &error)) __builtin_trap();
    AppendPayloadRecord(&chain.raw, ManifestRecord, 0, parts.data, parts.signature);
    for (DWORD id : kChainIds) {
        if (!SealPayloadItem(BytesOf(ItemOf(id)), flags, key, &parts, &error)) __builtin_trap();
        AppendPayloadRecord(&chain.raw, FileRecord, id, parts.data, parts.signature);
    }
    return chain;
}

const Chains& TheChains()
{
    static const Chains chains = [] {
        Chains made;
        SigningKey key;
        std::string error;
        const bool signing = LoadSigningKey(MSILAUNCH_FUZZ_SIGNING_KEY, &key, &error);
        made.kinds[0] = Chain{{}, 0};
        made.kinds[1] = MakeChain(0, nullptr);
        // Without the build's key the production kind is only compressed.
        made.kinds[2] = signing ? MakeChain(kPayloadCompressed | kPayloadSigned, &key)
                                : MakeChain(kPayloadCompressed, nullptr);
        made.kinds[3] = made.kinds[1];
        made.kinds[3].flags = kPayloadSigned;
        return made;
    }();
    return chains;
}

// Whether source `index` of the run decodes its records to ItemOf(id).
bool Decodes(const std::vector<int>& kinds, int index, DWORD id)
{
    if (index < 0 || static_cast<size_t>(index) >= kinds.size()) return false;
    if (kinds[index] != 1 && kinds[index] != 2) return false;
    for (DWORD known : kChainIds) {
        if (known == id) return true;
    }
    return false;
}

bool HoldsItem(const PackageFile& file, DWORD id)
{
    const std::string item = ItemOf(id);
    return file.decodedBytes != nullptr && file.decodedSize == item.size() &&
           memcmp(file.decodedBytes, item.data(), item.size()) == 0;
}

// ReadManifestFields: what it read is the text's start, field by field, and it
// stopped only at the end of the text or at a field empty or too long.
void CheckFields(const char* text)
{
    const int wanted = 4;
    ManifestField fields[wanted + 1];
    memset(fields, kSentinel, sizeof(fields));
    const int read = ReadManifestFields(text, fields, wanted);
    CHECK(read >= 0 && read <= wanted);
    size_t at = 0;
    for (int i = 0; i < read; ++i) {
        const size_t length = strnlen(fields[i], kManifestFieldRoom);
        CHECK(length >= 1 && length < kManifestFieldRoom);
        CHECK(memchr(fields[i], '\\', length) == nullptr);
        if (i > 0) CHECK(text[at++] == '\\');
        CHECK(memcmp(text + at, fields[i], length) == 0);
        at += length;
    }
    for (int i = read; i <= wanted; ++i) {
        for (DWORD k = 0; k < kManifestFieldRoom; ++k) CHECK(static_cast<BYTE>(fields[i][k]) == kSentinel);
    }
    if (read < wanted) {
        const bool ended = read > 0 && text[at] == 0;
        size_t next = read > 0 ? at + 1 : 0;
        size_t length = 0;
        if (!ended) {
            if (read > 0) CHECK(text[at] == '\\');
            while (text[next + length] != 0 && text[next + length] != '\\') ++length;
        }
        CHECK(ended || length == 0 || length >= kManifestFieldRoom);
    }
    CHECK(ReadManifestFields(text, fields, 0) == 0);
}

// The number list walk over the whole text: it always moves on, stays inside
// the text, ends, and gives a number only for an item that starts (after white
// space) with a digit.  Returns the numbers.
std::vector<DWORD> CheckNumbers(const char* list)
{
    std::vector<DWORD> numbers;
    const char* end = list + strlen(list);
    size_t items = 1;
    for (const char* p = list; *p != 0; ++p) items += *p == ';';
    NumberListCursor cursor;
    StartNumberList(&cursor, list);
    DWORD value = 0;
    for (;;) {
        const char* before = cursor.at;
        if (!NextListNumber(&cursor, &value)) break;
        CHECK(cursor.at > before && cursor.at <= end);
        // The item the number came from ends just before the cursor.
        const char* itemEnd = cursor.at[-1] == ';' ? cursor.at - 1 : cursor.at;
        const char* itemStart = itemEnd;
        while (itemStart > before && itemStart[-1] != ';') --itemStart;
        while (itemStart < itemEnd && strchr(" \t\n\v\f\r", *itemStart) != nullptr) ++itemStart;
        CHECK(itemStart < itemEnd && *itemStart >= '0' && *itemStart <= '9');
        numbers.push_back(value);
        CHECK(numbers.size() <= items);
    }
    CHECK(cursor.at == nullptr || *cursor.at == 0);
    CHECK(!NextListNumber(&cursor, &value));
    return numbers;
}

void CheckCase(const char* a, const char* b)
{
    const bool same = EqualsIgnoringCase(a, b);
    CHECK(same == (strcasecmp(a, b) == 0));
    CHECK(same == EqualsIgnoringCase(b, a));
}

struct Inspect {
    const LauncherState* state;
    const std::vector<int>* kinds;
    DWORD pass;
    bool otherSource;
    bool faults;  // an allocation may fail: counts are not exact
    std::set<std::pair<DWORD, DWORD>> entries;
};

void CheckSelectMsiEntry(Inspect* inspect, DWORD sourceIndex, DWORD entryId, const char* text)
{
    SelectionQuery query;
    memset(&query, kSentinel, sizeof(query));
    query.pass = inspect->pass;
    query.chosenSourceIndex = -7;
    query.chosenEntryId = 0xDEADBEEFu;
    MsiSearch search = {&query, inspect->state};
    const int more = SelectMsiEntry(sourceIndex, entryId, text, &search);
    CHECK(more == 0 || more == 1);
    // The fields read are copied into the query; the others are left alone.
    ManifestField fields[4];
    const int read = ReadManifestFields(text, fields, 4);
    const char* copies[4] = {query.architecture, query.languageList, query.productCode, query.productName};
    for (int i = 0; i < 4; ++i) {
        if (i < read) {
            CHECK(strcmp(copies[i], fields[i]) == 0);
        } else {
            for (DWORD k = 0; k < kManifestFieldRoom; ++k) CHECK(static_cast<BYTE>(copies[i][k]) == kSentinel);
        }
    }
    if (more == 0) {
        CHECK(read == 4);
        CHECK(query.chosenSourceIndex == static_cast<int>(sourceIndex) && query.chosenEntryId == entryId);
        CHECK(EqualsIgnoringCase(query.architecture, inspect->state->is64 ? "x64" : "Intel"));
        // Some listed language fits: the whole LANGID in pass 0, its low byte after.
        const DWORD mask = inspect->pass == 0 ? 0xFFFFu : 0xFFu;
        bool fits = false;
        for (DWORD id : CheckNumbers(fields[1])) fits = fits || (id & mask) == (inspect->state->userLanguage & mask);
        CHECK(fits);
    } else {
        CHECK(query.chosenSourceIndex == -7 && query.chosenEntryId == 0xDEADBEEFu);
    }
    CHECK(SelectMsiEntry(sourceIndex, entryId, text, nullptr) == 1);
    MsiSearch empty = {nullptr, inspect->state};
    CHECK(SelectMsiEntry(sourceIndex, entryId, text, &empty) == 1);
}

void FreeFiles(PackageFile* files, int count)
{
    for (int i = 0; i < count; ++i) LocalFree(files[i].decodedBytes);
    LocalFree(files);
}

// CollectCabEntry asked for the MSI the line's own list names first: it adds
// one file per matching item, named after the line's third field, and sets the
// error flag exactly when one could not be decoded.
void CheckCollectCabEntry(Inspect* inspect, DWORD sourceIndex, DWORD entryId, const char* text)
{
    ManifestField fields[3];
    const bool cabLine = ReadManifestFields(text, fields, 3) == 3 && EqualsIgnoringCase(fields[0], "cab");
    std::vector<DWORD> listed;
    if (cabLine) listed = CheckNumbers(fields[1]);
    PackageFile* files = nullptr;
    int count = 0;
    CabQuery query = {&files, &count, static_cast<int>(sourceIndex) + (inspect->otherSource ? 1 : 0),
                      listed.empty() ? 1000u : listed[0], 0};
    CabSearch search = {&query, inspect->state};
    CHECK(CollectCabEntry(sourceIndex, entryId, text, &search) == 1);
    size_t matching = 0;
    if (query.sourceIndex == static_cast<int>(sourceIndex)) {
        for (DWORD id : listed) matching += id == query.msiEntryId;
    }
    CHECK(count >= 0 && static_cast<size_t>(count) <= matching);
    CHECK((files == nullptr) == (count == 0));
    if (files != nullptr) CHECK(LocalSize(files) == static_cast<size_t>(count) * sizeof(PackageFile));
    const bool decodes = Decodes(*inspect->kinds, static_cast<int>(sourceIndex), entryId);
    if (!inspect->faults) {
        CHECK(static_cast<size_t>(count) == matching);
        CHECK(query.errorFlag == ((matching > 0 && !decodes) ? 1u : 0u));
    }
    for (int i = 0; i < count; ++i) {
        CHECK(strcmp(files[i].name, fields[2]) == 0);
        CHECK((files[i].decodedBytes != nullptr) == HoldsItem(files[i], entryId));
        if (query.errorFlag == 0) CHECK(files[i].decodedBytes != nullptr);
    }
    FreeFiles(files, count);
    CHECK(CollectCabEntry(sourceIndex, entryId, text, nullptr) == 1);
}

int InspectEntry(DWORD sourceIndex, DWORD entryId, const char* text, void* userData)
{
    Inspect* inspect = static_cast<Inspect*>(userData);
    CHECK(sourceIndex < inspect->state->sourceCount);
    inspect->entries.insert({sourceIndex, entryId});
    CheckFields(text);
    CheckNumbers(text);
    ManifestField fields[1];
    if (ReadManifestFields(text, fields, 1) == 1) {
        for (const char* name : {"cab", "x64", "Intel"}) CheckCase(fields[0], name);
        CheckCase(fields[0], text);
    }
    CheckSelectMsiEntry(inspect, sourceIndex, entryId, text);
    CheckCollectCabEntry(inspect, sourceIndex, entryId, text);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kHeaderSize) return 0;
    const Chains& chains = TheChains();
    const long liveBefore = HostLiveAllocations();

    const DWORD count = 1 + (data[0] & 3u) % 3;
    std::vector<int> kinds(count);
    const size_t each = (size - kHeaderSize) / count;
    std::vector<std::vector<BYTE>> manifests(count), raws(count);
    std::vector<PayloadSource> sources(count);
    for (DWORD i = 0; i < count; ++i) {
        size_t from = kHeaderSize + i * each;
        size_t to = i + 1 == count ? size : from + each;
        manifests[i].assign(data + from, data + to);
        kinds[i] = (data[3] >> (2 * i)) & 3;
        const Chain& chain = chains.kinds[kinds[i]];
        raws[i] = chain.raw;
        sources[i] = PayloadSource{};
        sources[i].manifest = manifests[i].empty() ? nullptr : manifests[i].data();
        sources[i].manifestSize = static_cast<DWORD>(manifests[i].size());
        sources[i].rawBytes = raws[i].empty() ? nullptr : raws[i].data();
        sources[i].rawSize = static_cast<DWORD>(raws[i].size());
        sources[i].flags = chain.flags;
    }
    LauncherState state = {};
    state.userLanguage = static_cast<DWORD>(data[1]) | (static_cast<DWORD>(data[2]) << 8);
    state.is64 = (data[0] >> 2) & 1u;
    state.sources = sources.data();
    state.sourceCount = count;
    const DWORD language = state.userLanguage;

    const bool faults = data[4] < 64;
    if (faults) HostFailAllocationAfter(data[4]);

    Inspect inspect = {&state, &kinds, (data[0] >> 3) & 1u, ((data[0] >> 4) & 1u) != 0, faults, {}};
    EnumManifestEntries(&state, InspectEntry, &inspect);

    SelectionQuery query;
    memset(&query, kSentinel, sizeof(query));
    CabQuery cabs;
    memset(&cabs, kSentinel, sizeof(cabs));
    ExtractionQueue queue = {};
    const bool selected = SelectPackage(&state, &query, &cabs, &queue);
    CHECK(state.userLanguage == language || state.userLanguage == 1033);
    if (queue.files != nullptr) {
        CHECK(queue.fileCount >= 1);
        CHECK(LocalSize(queue.files) == static_cast<size_t>(queue.fileCount) * sizeof(PackageFile));
    }
    if (selected) {
        CHECK(queue.files != nullptr && strcmp(queue.files[0].name, "main.msi") == 0);
        CHECK(query.chosenEntryId != 0 && query.chosenSourceIndex >= 0 &&
              static_cast<DWORD>(query.chosenSourceIndex) < count);
        // The walks over the same manifests see the same entries (unless an
        // allocation failed in the first).
        if (!faults) CHECK(inspect.entries.count({static_cast<DWORD>(query.chosenSourceIndex), query.chosenEntryId}));
        CHECK(HoldsItem(queue.files[0], query.chosenEntryId));
        for (int i = 1; i < queue.fileCount; ++i) {
            const PackageFile& file = queue.files[i];
            CHECK(file.decodedBytes != nullptr);
            const size_t length = strnlen(file.name, kFileNameRoom);
            CHECK(length >= 1 && length < kManifestFieldRoom && memchr(file.name, '\\', length) == nullptr);
        }
    }
    FreeFiles(queue.files, queue.fileCount);
    HostFailAllocationAfter(-1);
    CHECK(HostLiveAllocations() == liveBefore);
    return 0;
}
