// run-bench: the launcher's figures under Windows, for the benchmark lane.
//   run-bench pump RUNS OUT_DIR FILE...
//       reads the files into memory, then RUNS times each, in turns (every
//       other round the plain loop goes first): writes them into OUT_DIR with
//       the extraction pump (ExtractionStep, the launcher's chunk size) and
//       with one plain WriteFile loop, deleting them after each.  Prints the
//       best times and "figure pump-ratio R" (plain time / pump time).
//   run-bench copy RUNS OUT_DIR FILE...
//       CopyFileW of the files into OUT_DIR, RUNS times; prints the best time.
//   run-bench hash RUNS FILE...
//       SHA-256 of the files' bytes with the launcher's libcrypto (the check
//       every decoded item gets), RUNS times; prints the best time.
//   run-bench launch STARTED_FILE COMMAND_LINE
//       runs the command line (a launcher whose stand-in installer writes its
//       start time to STARTED_FILE), samples the child's memory counters
//       every millisecond until it exits, and prints its exit code, the
//       milliseconds from process creation to the installer's start, and the
//       largest private commit seen (and the peak the system reports).
//   run-bench memory
//       the address space a block can come from: the highest address, the
//       largest local-heap block and address range to be had, and the sum of
//       64 MiB blocks the heap gives before it refuses.
//   run-bench inflate MIB...
//       InflateBuffer on a zlib stream of MIB MiB of zero bytes, for each MIB:
//       its result and time.
// Lines are "name value"; exit code 0 when every step worked, 1 otherwise.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <openssl/sha.h>
#include <zlib.h>

#include "package/extraction_pump.h"
#include "payload/inflate_buffer.h"

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

// Reads every named file into files[] (count at most kMaxFiles); *total gets
// their bytes together.
bool ReadInputs(wchar_t** paths, int count, InputFile* files, unsigned long long* total)
{
    ZeroMemory(files, sizeof(InputFile) * kMaxFiles);
    *total = 0;
    for (int i = 0; i < count; ++i) {
        files[i].path = paths[i];
        if (!ReadInput(&files[i])) return false;
        *total += files[i].size;
    }
    return true;
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
    unsigned long long total = 0;
    if (!ReadInputs(paths, count, files, &total)) return 1;
    double bestPump = 1e9, bestPlain = 1e9;
    for (int r = 0; r < runs; ++r) {
        double took = 0;
        if (copy) {
            if (!CopyPlain(folder, files, count, &took) || !RemoveOutputs(folder, files, count)) return 1;
            if (took < bestPlain) bestPlain = took;
            continue;
        }
        for (int turn = 0; turn < 2; ++turn) {
            bool pump = (turn + r) % 2 == 0;
            bool ok = pump ? WriteWithPump(folder, files, count, &took) : WritePlain(folder, files, count, &took);
            if (!ok || !RemoveOutputs(folder, files, count)) return 1;
            double* best = pump ? &bestPump : &bestPlain;
            if (took < *best) *best = took;
        }
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

int HashBench(int runs, wchar_t** paths, int count)
{
    if (count < 1 || count > kMaxFiles || runs < 1) {
        fprintf(stderr, "usage: run-bench hash RUNS FILE... (at most %d files)\n", kMaxFiles);
        return 2;
    }
    InputFile files[kMaxFiles];
    unsigned long long total = 0;
    if (!ReadInputs(paths, count, files, &total)) return 1;
    double best = 1e9;
    for (int r = 0; r < runs; ++r) {
        double start = Seconds();
        for (int i = 0; i < count; ++i) {
            unsigned char digest[SHA256_DIGEST_LENGTH];
            SHA256(files[i].bytes, files[i].size, digest);
        }
        double took = Seconds() - start;
        if (took < best) best = took;
    }
    printf("hash-ms %.1f\n", best * 1e3);
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

// The largest size in [0, 4 GiB) for which fits(size) holds, to 1 MiB.
template <typename Fits>
unsigned long long LargestFitting(Fits fits)
{
    unsigned long long low = 0, high = 4096ull << 20;
    while (high - low > (1u << 20)) {
        unsigned long long middle = (low + high) / 2;
        if (fits(static_cast<SIZE_T>(middle))) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

int MemoryBench()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    printf("highest-address 0x%08lx\n", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(system.lpMaximumApplicationAddress)));
    printf("largest-block-bytes %llu\n", LargestFitting([](SIZE_T size) {
               HLOCAL block = LocalAlloc(LMEM_FIXED, size);
               if (block == nullptr) return false;
               LocalFree(block);
               return true;
           }));
    printf("largest-range-bytes %llu\n", LargestFitting([](SIZE_T size) {
               void* range = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
               if (range == nullptr) return false;
               VirtualFree(range, 0, MEM_RELEASE);
               return true;
           }));
    HLOCAL blocks[64];
    int count = 0;
    while (count < 64 && (blocks[count] = LocalAlloc(LMEM_FIXED, 64u << 20)) != nullptr) ++count;
    printf("blocks-of-64MiB %d\n", count);
    while (count > 0) LocalFree(blocks[--count]);
    return 0;
}

int InflateBench(wchar_t** sizes, int count)
{
    static Bytef zeros[1 << 20];
    for (int i = 0; i < count; ++i) {
        unsigned long long mib = _wtoi(sizes[i]);
        z_stream stream;
        ZeroMemory(&stream, sizeof(stream));
        if (deflateInit(&stream, 9) != Z_OK) return 1;
        uLong room = static_cast<uLong>(mib * 1100 + 4096);
        Bytef* packed = static_cast<Bytef*>(LocalAlloc(LMEM_FIXED, room));
        if (packed == nullptr) return 1;
        stream.next_out = packed;
        stream.avail_out = room;
        for (unsigned long long done = 0; done < mib; ++done) {
            stream.next_in = zeros;
            stream.avail_in = sizeof(zeros);
            deflate(&stream, done + 1 == mib ? Z_FINISH : Z_NO_FLUSH);
        }
        DWORD packedSize = static_cast<DWORD>(stream.total_out);
        deflateEnd(&stream);
        BYTE* data = nullptr;
        DWORD size = 0;
        double start = Seconds();
        int result = InflateBuffer(&data, &size, packed, packedSize);
        double took = Seconds() - start;
        printf("inflate %llu MiB from %lu bytes: result %d, %lu bytes, %.1f ms\n", mib,
               static_cast<unsigned long>(packedSize), result, static_cast<unsigned long>(size), took * 1e3);
        LocalFree(data);
        LocalFree(packed);
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
    if (argc == 2 && wcscmp(argv[1], L"memory") == 0) return MemoryBench();
    if (argc >= 4 && wcscmp(argv[1], L"hash") == 0) return HashBench(_wtoi(argv[2]), argv + 3, argc - 3);
    if (argc >= 3 && wcscmp(argv[1], L"inflate") == 0) return InflateBench(argv + 2, argc - 2);
    fprintf(stderr, "usage: run-bench pump|copy RUNS OUT_DIR FILE... | launch STARTED_FILE COMMAND_LINE | memory"
                    " | hash RUNS FILE... | inflate MIB...\n");
    return 2;
}
