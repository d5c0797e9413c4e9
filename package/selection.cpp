// Choosing the package and collecting its files.
#include "package/selection.h"

#include "launcher/ansi_text.h"
#include "launcher/launcher_state.h"
#include "payload/manifest_table.h"
#include "payload/payload_record.h"

namespace {

const DWORD kUsEnglish = 1033;

bool LanguageMatches(DWORD pass, DWORD item, DWORD userLanguage)
{
    if (pass == 0) return (item & 0xFFFF) == (userLanguage & 0xFFFF);
    return (item & 0xFF) == (userLanguage & 0xFF);
}

bool ArchitectureMatches(const char* architecture, DWORD is64)
{
    return EqualsIgnoringCase(architecture, is64 ? "x64" : "Intel");
}

// Grows the file array by one zero-filled element; false (array unchanged)
// when it cannot.
bool AppendPackageFile(PackageFile** files, int count)
{
    size_t bytes = static_cast<size_t>(count + 1) * sizeof(PackageFile);
    PackageFile* grown = *files == nullptr
                             ? static_cast<PackageFile*>(LocalAlloc(LPTR, bytes))
                             : static_cast<PackageFile*>(LocalReAlloc(*files, bytes, LMEM_MOVEABLE | LMEM_ZEROINIT));
    if (grown == nullptr) return false;
    *files = grown;
    return true;
}

}  // namespace

bool LoadPackageFile(const LauncherState* state, int sourceIndex, DWORD entryId, PackageFile* file,
                     const char* name)
{
    ZeroMemory(file, sizeof(*file));
    AnsiCopy(file->name, kFileNameRoom, name);
    if (sourceIndex < 0 || static_cast<DWORD>(sourceIndex) >= state->sourceCount) return false;
    StatusPair status = ReadPayloadRecord(&state->sources[sourceIndex], &FileRecord, entryId, &file->decodedBytes,
                                          &file->decodedSize);
    return status.code == 0;
}

int SelectMsiEntry(DWORD sourceIndex, DWORD entryId, const char* text, void* search)
{
    MsiSearch* msi = static_cast<MsiSearch*>(search);
    if (msi == nullptr || msi->query == nullptr) return 1;
    SelectionQuery* query = msi->query;
    ManifestField* fields[4] = {&query->architecture, &query->languageList, &query->productCode, &query->productName};
    ManifestField read[4];
    int count = ReadManifestFields(text, read, 4);
    for (int i = 0; i < count; ++i) AnsiCopy(*fields[i], kManifestFieldRoom, read[i]);
    if (count < 4) return 1;

    NumberListCursor cursor;
    StartNumberList(&cursor, query->languageList);
    DWORD language = 0;
    while (NextListNumber(&cursor, &language)) {
        if (LanguageMatches(query->pass, language, msi->state->userLanguage) &&
            ArchitectureMatches(query->architecture, msi->state->is64)) {
            query->chosenSourceIndex = static_cast<int>(sourceIndex);
            query->chosenEntryId = entryId;
            return 0;
        }
    }
    return 1;
}

int CollectCabEntry(DWORD sourceIndex, DWORD entryId, const char* text, void* search)
{
    CabSearch* cab = static_cast<CabSearch*>(search);
    if (cab == nullptr || cab->query == nullptr) return 1;
    CabQuery* query = cab->query;
    ManifestField fields[3];
    if (ReadManifestFields(text, fields, 3) < 3 || !EqualsIgnoringCase(fields[0], "cab")) return 1;

    NumberListCursor cursor;
    StartNumberList(&cursor, fields[1]);
    DWORD msiId = 0;
    while (NextListNumber(&cursor, &msiId)) {
        if (static_cast<int>(sourceIndex) != query->sourceIndex || msiId != query->msiEntryId) continue;
        if (!AppendPackageFile(query->files, *query->count)) {
            query->errorFlag = 1;
            continue;
        }
        PackageFile* added = &(*query->files)[*query->count];
        if (!LoadPackageFile(cab->state, static_cast<int>(sourceIndex), entryId, added, fields[2])) {
            query->errorFlag = 1;
        }
        *query->count += 1;
    }
    return 1;
}

bool SelectPackage(LauncherState* state, SelectionQuery* query, CabQuery* cabs, ExtractionQueue* queue)
{
    ZeroMemory(query, sizeof(*query));
    MsiSearch msi = {query, state};
    EnumManifestEntries(state, SelectMsiEntry, &msi);
    if (query->chosenEntryId == 0) {
        query->pass = 1;
        EnumManifestEntries(state, SelectMsiEntry, &msi);
    }
    if (query->chosenEntryId == 0 && state->userLanguage != kUsEnglish) {
        query->pass = 0;
        state->userLanguage = kUsEnglish;
        EnumManifestEntries(state, SelectMsiEntry, &msi);
    }
    if (query->chosenEntryId == 0) return false;

    if (!AppendPackageFile(&queue->files, 0)) return false;
    if (!LoadPackageFile(state, query->chosenSourceIndex, query->chosenEntryId, &queue->files[0], "main.msi")) {
        LocalFree(queue->files);
        queue->files = nullptr;
        return false;
    }
    queue->fileCount = 1;

    cabs->files = &queue->files;
    cabs->count = &queue->fileCount;
    cabs->sourceIndex = query->chosenSourceIndex;
    cabs->msiEntryId = query->chosenEntryId;
    cabs->errorFlag = 0;
    CabSearch cab = {cabs, state};
    EnumManifestEntries(state, CollectCabEntry, &cab);
    return cabs->errorFlag == 0;
}
