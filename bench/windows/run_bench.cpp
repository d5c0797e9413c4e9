// run-bench: the launcher's figures under Windows, for the benchmark lane.
//   run-bench pump RUNS OUT_DIR FILE...
//       reads the files into memory, then RUNS times each, alternately: writes
//       them into OUT_DIR with the extraction pump (ExtractionStep, the
//       launcher's chunk size) and with one plain WriteFile loop, deleting
//       them after each.  Prints the best times and "figure pump-ratio R"
//       (plain time / pump time).
//   run-bench copy RUNS OUT_DIR FILE...
//       CopyFileW of the files into OUT_DIR, RUNS times; prints the best time.
//   run-bench launch STARTED_FILE COMMAND_LINE
//       runs the command line (a launcher whose stand-in installer writes its
//       start time to STARTED_FILE), samples the child's memory counters
//       every millisecond until it exits, and prints its exit code, the
//       milliseconds from process creation to the installer's start, and the
//       largest private commit seen (and the peak the system reports).
// Lines are "name value"; exit code 0 when every step worked, 1 otherwise.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "package/extraction_pump.h"

namespace {

const int kMaxFiles = 16;

struct InputFile {
    const wchar_t* path;
    wchar_t name[MAX_PATH];
    BYTE* bytes;
    DWORD size;
};

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Fail(const char* what, const wchar_t* path)
{
    fprintf(stderr, "run-bench: %s %ls (error %lu)\n", what, path ? path : L"", GetLastError());
    return false;
}

bool ReadInput(InputFile* file)
{
    HANDLE handle = CreateFileW(file->path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Fail("cannot open", file->path);
    bool ok = false;
    DWORD read = 0;
    file->size = GetFileSize(handle, nullptr);
    file->bytes = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, file->size ? file->size : 1));
    if (file->bytes != nullptr && ReadFile(handle, file->bytes, file->size, &read, nullptr) && read == file->size) {
        ok = true;
    } else {
        Fail("cannot read", file->path);
    }
    CloseHandle(handle);
    const wchar_t* slash = wcsrchr(file->path, L'\\');
    lstrcpynW(file->name, slash ? slash + 1 : file->path, MAX_PATH);
    return ok;
}

void OutputPath(const wchar_t* folder, const InputFile* file, wchar_t* path)
{
    _snwprintf(path, MAX_PATH, L"%ls\\%ls", folder, file->name);
    path[MAX_PATH - 1] = 0;
}

HANDLE CreateOutput(const wchar_t* path)
{
    HANDLE handle = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) Fail("cannot create", path);
    return handle;
}

bool RemoveOutputs(const wchar_t* folder, const InputFile* files, int count)
{
    for (int i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        OutputPath(folder, &files[i], path);
        if (!DeleteFileW(path)) return Fail("cannot delete", path);
    }
    return true;
}

// The files written by the extraction pump, as the progress window drives it.
bool WriteWithPump(const wchar_t* folder, InputFile* files, int count, double* took)
{
    PackageFile packageFiles[kMaxFiles];
    ZeroMemory(packageFiles, sizeof(packageFiles));
    double start = Seconds();
    for (int i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        OutputPath(folder, &files[i], path);
        packageFiles[i].decodedBytes = files[i].bytes;
        packageFiles[i].decodedSize = files[i].size;
        packageFiles[i].outputHandle = CreateOutput(path);
        if (packageFiles[i].outputHandle == INVALID_HANDLE_VALUE) return false;
    }
    ExtractionQueue queue = {packageFiles, count, -1, kExtractionChunkSize, 0};
    DWORD result;
    while ((result = ExtractionStep(&queue, nullptr)) == ERROR_MORE_DATA) {
    }
    *took = Seconds() - start;
    if (result != 0) return Fail("the extraction pump failed", folder);
    return true;
}

// The same bytes with the plainest loop there is.
bool WritePlain(const wchar_t* folder, InputFile* files, int count, double* took)
{
    double start = Seconds();
    for (int i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        OutputPath(folder, &files[i], path);
        HANDLE handle = CreateOutput(path);
        if (handle == INVALID_HANDLE_VALUE) return false;
        DWORD done = 0;
        while (done < files[i].size) {
            DWORD written = 0;
            if (!WriteFile(handle, files[i].bytes + done, files[i].size - done, &written, nullptr) || written == 0) {
                CloseHandle(handle);
                return Fail("cannot write", path);
            }
            done += written;
        }
        CloseHandle(handle);
    }
    *took = Seconds() - start;
    return true;
}

bool CopyPlain(const wchar_t* folder, InputFile* files, int count, double* took)
{
    double start = Seconds();
    for (int i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        OutputPath(folder, &files[i], path);
        if (!CopyFileW(files[i].path, path, FALSE)) return Fail("cannot copy", files[i].path);
    }
    *took = Seconds() - start;
    return true;
}

int WriteBench(bool copy, int runs, const wchar_t* folder, wchar_t** paths, int count)
{
    if (count < 1 || count > kMaxFiles || runs < 1) {
        fprintf(stderr, "usage: run-bench pump|copy RUNS OUT_DIR FILE... (at most %d files)\n", kMaxFiles);
        return 2;
    }
    InputFile files[kMaxFiles];
    ZeroMemory(files, sizeof(files));
    unsigned long long total = 0;
    for (int i = 0; i < count; ++i) {
        files[i].path = paths[i];
        if (!ReadInput(&files[i])) return 1;
        total += files[i].size;
    }
    double bestPump = 1e9, bestPlain = 1e9;
    for (int r = 0; r < runs; ++r) {
        double took = 0;
        if (copy) {
            if (!CopyPlain(folder, files, count, &took) || !RemoveOutputs(folder, files, count)) return 1;
            if (took < bestPlain) bestPlain = took;
            continue;
        }
        if (!WriteWithPump(folder, files, count, &took) || !RemoveOutputs(folder, files, count)) return 1;
        if (took < bestPump) bestPump = took;
        if (!WritePlain(folder, files, count, &took) || !RemoveOutputs(folder, files, count)) return 1;
        if (took < bestPlain) bestPlain = took;
    }
    printf("bytes %llu\n", total);
    if (copy) {
        printf("copy-ms %.1f\n", bestPlain * 1e3);
    } else {
        printf("pump-ms %.1f\nplain-ms %.1f\nfigure pump-ratio %.3f\n", bestPump * 1e3, bestPlain * 1e3,
               bestPlain / bestPump);
    }
    return 0;
}

unsigned long long FileTimeTicks(const FILETIME* time)
{
    return (static_cast<unsigned long long>(time->dwHighDateTime) << 32) | time->dwLowDateTime;
}

int LaunchBench(const wchar_t* startedFile, wchar_t* commandLine)
{
    DeleteFileW(startedFile);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        Fail("cannot start", commandLine);
        return 1;
    }
    SIZE_T largestCommit = 0, peakCommit = 0, peakWorkingSet = 0;
    for (;;) {
        PROCESS_MEMORY_COUNTERS counters;
        ZeroMemory(&counters, sizeof(counters));
        counters.cb = sizeof(counters);
        if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters))) {
            if (counters.PagefileUsage > largestCommit) largestCommit = counters.PagefileUsage;
            if (counters.PeakPagefileUsage > peakCommit) peakCommit = counters.PeakPagefileUsage;
            if (counters.PeakWorkingSetSize > peakWorkingSet) peakWorkingSet = counters.PeakWorkingSetSize;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    printf("exit %lu\n", exitCode);
    printf("largest-commit-bytes %lu\npeak-commit-bytes %lu\npeak-working-set-bytes %lu\n",
           static_cast<unsigned long>(largestCommit), static_cast<unsigned long>(peakCommit),
           static_cast<unsigned long>(peakWorkingSet));
    printf("run-ms %.1f\n", (FileTimeTicks(&exited) - FileTimeTicks(&created)) / 1e4);
    HANDLE file = CreateFileW(startedFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char text[32] = {0};
        DWORD read = 0;
        ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
        CloseHandle(file);
        unsigned long long started = strtoull(text, nullptr, 10);
        printf("start-to-installer-ms %.1f\n", (started - FileTimeTicks(&created)) / 1e4);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 5 && (wcscmp(argv[1], L"pump") == 0 || wcscmp(argv[1], L"copy") == 0)) {
        return WriteBench(wcscmp(argv[1], L"copy") == 0, _wtoi(argv[2]), argv[3], argv + 4, argc - 4);
    }
    if (argc == 4 && wcscmp(argv[1], L"launch") == 0) return LaunchBench(argv[2], argv[3]);
    fprintf(stderr, "usage: run-bench pump|copy RUNS OUT_DIR FILE... | launch STARTED_FILE COMMAND_LINE\n");
    return 2;
}
