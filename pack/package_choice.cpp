// Running the launcher's selection on the host and copying its results out.
#include "pack/package_choice.h"

#include "package/selection.h"

PackageChoice ChoosePackage(LauncherState* state, bool is64, uint32_t userLanguage)
{
    state->is64 = is64 ? 1 : 0;
    state->userLanguage = userLanguage;
    SelectionQuery query;
    CabQuery cabs;
    ExtractionQueue queue;
    ZeroMemory(&query, sizeof(query));
    ZeroMemory(&cabs, sizeof(cabs));
    ZeroMemory(&queue, sizeof(queue));
    queue.currentIndex = -1;
    queue.chunkSize = kExtractionChunkSize;

    PackageChoice choice = {};
    choice.chosen = SelectPackage(state, &query, &cabs, &queue);
    choice.fellBackToUsEnglish = userLanguage != state->userLanguage;
    choice.pass = query.pass;
    choice.sourceIndex = query.chosenSourceIndex;
    choice.msiEntryId = query.chosenEntryId;
    if (choice.msiEntryId != 0) {
        choice.productCode = query.productCode;
        choice.productName = query.productName;
    }
    for (int i = 0; i < queue.fileCount; ++i) {
        PackageFile* file = &queue.files[i];
        if (choice.chosen) choice.files.push_back({file->name, Bytes(file->decodedBytes, file->decodedBytes + file->decodedSize)});
        LocalFree(file->decodedBytes);
    }
    LocalFree(queue.files);
    state->userLanguage = userLanguage;
    return choice;
}
