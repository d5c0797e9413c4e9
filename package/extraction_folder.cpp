// The extraction folder and the lifecycle of the output files.  Only the
// release of the package files is done yet; no file is created on disk.
#include "package/extraction_folder.h"

StatusPair PrepareOutputFiles(RunState* run, LauncherState*)
{
    run->extractionFolder[0] = 0;
    return MakeStatus(nullptr, ERROR_NOT_SUPPORTED, 2219);
}

void RemoveExtractedFiles(RunState* run, LauncherState*)
{
    ExtractionQueue* queue = &run->queue;
    for (int i = 0; queue->files != nullptr && i < queue->fileCount; ++i) {
        PackageFile* file = &queue->files[i];
        LocalFree(file->decodedBytes);
        file->decodedBytes = nullptr;
        if (file->outputHandle != nullptr) CloseHandle(file->outputHandle);
        file->outputHandle = nullptr;
    }
    LocalFree(queue->files);
    queue->files = nullptr;
    queue->fileCount = 0;
}
