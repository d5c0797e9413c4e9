// msiexec.exe stand-in for tests: a GUI program without a window that takes
// the place of Windows Installer. It runs a fixed list of behaviours, each
// configured through environment variables, then exits:
//   log   appends its whole command line as one UTF-8 line ("\n" terminated)
//         to MSILAUNCH_STANDIN_LOG (default C:\standin.log)
//   exit  exits with the decimal code in MSILAUNCH_STANDIN_EXIT (default 0;
//         "-N" gives the two's complement, e.g. -1 is 4294967295)
// A setting it cannot use is appended to the log as "standin: error: ..." and
// makes it exit with kExitMisconfigured; a log it cannot write makes it exit
// with kExitCannotLog. New behaviours go into kBehaviours, read their own
// variables and may change the exit code.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

static const DWORD kExitMisconfigured = 0xE0570001;
static const DWORD kExitCannotLog = 0xE0570002;
static const DWORD kMaxValue = 32768;   // longest environment value read

struct StandIn {
    const wchar_t* commandLine;
    wchar_t logPath[kMaxValue];
    DWORD exitCode;
    bool failed;           // a behaviour went wrong; exitCode says how
};

typedef void (*BehaviourFunction)(StandIn* standIn);

struct Behaviour {
    const char* name;
    BehaviourFunction run;
};

// Reads an environment variable; false when unset or too long.
static bool ReadSetting(const wchar_t* name, wchar_t* value, DWORD size)
{
    DWORD length = GetEnvironmentVariableW(name, value, size);
    if (length == 0 || length >= size) {
        value[0] = 0;
        return false;
    }
    return true;
}

static bool AppendUtf8(const wchar_t* path, const wchar_t* text, int length)
{
    bool ok = false;
    char* buffer = NULL;
    HANDLE file = INVALID_HANDLE_VALUE;
    int bytes = 0;
    DWORD written = 0;
    if (length > 0) {
        bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, NULL, 0, NULL, NULL);
        if (bytes <= 0) goto done;
        buffer = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)bytes);
        if (buffer == NULL) goto done;
        if (WideCharToMultiByte(CP_UTF8, 0, text, length, buffer, bytes, NULL, NULL) != bytes) {
            goto done;
        }
    }
    // FILE_APPEND_DATA alone makes every write land at the end of the file,
    // also when several stand-ins write the same log.
    file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) goto done;
    if (bytes > 0 && (!WriteFile(file, buffer, (DWORD)bytes, &written, NULL) ||
                      written != (DWORD)bytes)) {
        goto done;
    }
    ok = true;
done:
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (buffer != NULL) HeapFree(GetProcessHeap(), 0, buffer);
    return ok;
}

// Appends "standin: error: <what>\n" to the log and sets the exit code.
static void Fail(StandIn* standIn, const wchar_t* what)
{
    static wchar_t line[512];
    lstrcpynW(line, L"standin: error: ", 400);
    int used = lstrlenW(line);
    lstrcpynW(line + used, what, 400);
    used = lstrlenW(line);
    line[used++] = L'\n';
    line[used] = 0;
    standIn->failed = true;
    standIn->exitCode = kExitMisconfigured;
    if (!AppendUtf8(standIn->logPath, line, used)) standIn->exitCode = kExitCannotLog;
}

static void RunLog(StandIn* standIn)
{
    // The command line and its newline are written with one WriteFile.
    int length = lstrlenW(standIn->commandLine);
    wchar_t* line = (wchar_t*)HeapAlloc(GetProcessHeap(), 0,
                                        ((SIZE_T)length + 2) * sizeof(wchar_t));
    if (line == NULL) {
        standIn->failed = true;
        standIn->exitCode = kExitCannotLog;
        return;
    }
    lstrcpyW(line, standIn->commandLine);
    line[length] = L'\n';
    line[length + 1] = 0;
    if (!AppendUtf8(standIn->logPath, line, length + 1)) {
        standIn->failed = true;
        standIn->exitCode = kExitCannotLog;
    }
    HeapFree(GetProcessHeap(), 0, line);
}

static void RunExit(StandIn* standIn)
{
    static wchar_t value[kMaxValue];
    if (!ReadSetting(L"MSILAUNCH_STANDIN_EXIT", value, kMaxValue)) {
        standIn->exitCode = 0;
        return;
    }
    const wchar_t* s = value;
    bool negative = false;
    if (*s == L'-') {
        negative = true;
        ++s;
    }
    unsigned long long code = 0;
    bool valid = *s != 0;
    for (; *s && valid; ++s) {
        if (*s < L'0' || *s > L'9') valid = false;
        code = code * 10 + (unsigned)(*s - L'0');
        if (code > 0xFFFFFFFFull) valid = false;
    }
    if (!valid) {
        Fail(standIn, L"MSILAUNCH_STANDIN_EXIT is not a decimal 32-bit number");
        return;
    }
    DWORD low = (DWORD)code;
    standIn->exitCode = negative ? (DWORD)(0u - low) : low;
}

// In this order; a behaviour that fails stops the ones after it.
static const Behaviour kBehaviours[] = {
    { "log", RunLog },
    { "exit", RunExit },
};

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    static StandIn standIn;
    // The full line, program name included, exactly as the caller passed it.
    standIn.commandLine = GetCommandLineW();
    standIn.exitCode = 0;
    standIn.failed = false;
    if (!ReadSetting(L"MSILAUNCH_STANDIN_LOG", standIn.logPath, kMaxValue)) {
        lstrcpyW(standIn.logPath, L"C:\\standin.log");
    }
    for (size_t i = 0; i < sizeof(kBehaviours) / sizeof(kBehaviours[0]); ++i) {
        kBehaviours[i].run(&standIn);
        if (standIn.failed) break;
    }
    return (int)standIn.exitCode;
}
