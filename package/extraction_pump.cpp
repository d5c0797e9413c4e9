// Writing the package files, one step at a time.
#include "package/extraction_pump.h"

DWORD ExtractionStep(ExtractionQueue* queue, int* percent)
{
    if (queue->currentIndex >= 0 && queue->currentIndex < queue->fileCount) {
        PackageFile* file = &queue->files[queue->currentIndex];
        if (file->bytesWritten < file->decodedSize) {
            DWORD n = file->decodedSize - file->bytesWritten;
            if (n > queue->chunkSize) n = queue->chunkSize;
            DWORD written = 0;
            BOOL ok = WriteFile(file->outputHandle, file->decodedBytes + file->bytesWritten, n, &written, nullptr);
            // The file position moved by what was reported, so the next step
            // goes on right behind the bytes that reached the file.
            if (written > n) written = n;
            file->bytesWritten += written;
            if (percent != nullptr) {
                double share = static_cast<double>(file->bytesWritten) / static_cast<double>(file->decodedSize);
                *percent = static_cast<int>(share * 100.0);
            }
            return (ok && written == n) ? ERROR_MORE_DATA : ERROR_WRITE_FAULT;
        }
    }

    if (queue->currentIndex < 0) {
        queue->currentIndex = 0;
    } else if (queue->currentIndex < queue->fileCount) {
        PackageFile* file = &queue->files[queue->currentIndex];
        if (file->outputHandle != nullptr) {
            CloseHandle(file->outputHandle);
            file->outputHandle = nullptr;
        }
        ++queue->currentIndex;
    }
    if (queue->currentIndex < queue->fileCount) {
        PackageFile* file = &queue->files[queue->currentIndex];
        if (file->outputHandle == nullptr) file->bytesWritten = file->decodedSize;
        if (percent != nullptr) *percent = 0;
        return ERROR_MORE_DATA;
    }
    if (percent != nullptr) *percent = 100;
    return 0;
}
