// msiexec.exe stand-in for tests: a GUI program without a window that takes
// the place of Windows Installer. It runs a fixed list of behaviours, each
// configured through environment variables, then exits:
//   started when MSILAUNCH_STANDIN_STARTED names a file: writes the time it
//         started there (the system time as a decimal FILETIME), first of all
//   log   appends its whole command line as one UTF-8 line ("\n" terminated)
//         to MSILAUNCH_STANDIN_LOG (default C:\standin.log)
//   tamper when MSILAUNCH_STANDIN_TAMPER is set: tries to overwrite, delete
//         and rename the package given after "/i" and every .cab beside it,
//         and logs one line per attempt: "tamper: <action> <file>: refused"
//         or "... done"
//   register when MSILAUNCH_STANDIN_REGISTER holds a product code: writes its
//         Uninstall entry (an UninstallString) as an installation would, in
//         the registry view of MSILAUNCH_STANDIN_REGISTER_VIEW (64 or 32,
//         default 32)
//   forward when MSILAUNCH_STANDIN_FORWARD names a program (the real
//         installer, saved elsewhere): runs it with this command line's
//         arguments, waits, and takes its exit code (MSILAUNCH_STANDIN_EXIT
//         is then not read)
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
    bool forwarded;        // the exit code is the forwarded program's
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

static void RunForward(StandIn* standIn)
{
    static wchar_t program[MAX_PATH];
    static wchar_t line[kMaxValue + MAX_PATH + 4];
    if (!ReadSetting(L"MSILAUNCH_STANDIN_FORWARD", program, MAX_PATH)) return;
    // The arguments: everything after the program name (quoted or not).
    const wchar_t* p = standIn->commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ') ++p;
    }
    lstrcpyW(line, L"\"");
    lstrcatW(line, program);
    lstrcatW(line, L"\"");
    lstrcpynW(line + lstrlenW(line), p, kMaxValue);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    if (!CreateProcessW(program, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info)) {
        Fail(standIn, L"cannot start the program to forward to");
        return;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    standIn->exitCode = code;
    standIn->forwarded = true;
}

static void RunExit(StandIn* standIn)
{
    static wchar_t value[kMaxValue];
    if (standIn->forwarded) return;
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

static void LogLine(StandIn* standIn, const wchar_t* a, const wchar_t* b, const wchar_t* c)
{
    static wchar_t line[2048];
    lstrcpynW(line, a, 600);
    lstrcatW(line, b);
    lstrcatW(line, c);
    lstrcatW(line, L"\n");
    if (!AppendUtf8(standIn->logPath, line, lstrlenW(line))) {
        standIn->failed = true;
        standIn->exitCode = kExitCannotLog;
    }
}

// The path after " /i " in the command line (quotes removed), or false.
static bool PackagePath(const wchar_t* commandLine, wchar_t* path, int size)
{
    const wchar_t* p = commandLine;
    for (; *p; ++p) {
        if (p[0] == L' ' && (p[1] == L'/' || p[1] == L'-') && (p[2] == L'i' || p[2] == L'I') && p[3] == L' ') break;
    }
    if (!*p) return false;
    p += 4;
    wchar_t end = L' ';
    if (*p == L'"') {
        end = L'"';
        ++p;
    }
    int n = 0;
    while (p[n] && p[n] != end && n < size - 1) ++n;
    lstrcpynW(path, p, n + 1);
    return n > 0;
}

static void TamperWith(StandIn* standIn, const wchar_t* file)
{
    static wchar_t moved[MAX_PATH + 8];
    HANDLE writer = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    bool wrote = false;
    if (writer != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        wrote = WriteFile(writer, "tampered", 8, &written, NULL) && written == 8;
        CloseHandle(writer);
    }
    LogLine(standIn, L"tamper: overwrite ", file, wrote ? L": done" : L": refused");
    LogLine(standIn, L"tamper: delete ", file, DeleteFileW(file) ? L": done" : L": refused");
    lstrcpynW(moved, file, MAX_PATH);
    lstrcatW(moved, L".old");
    LogLine(standIn, L"tamper: rename ", file, MoveFileW(file, moved) ? L": done" : L": refused");
}

static void RunTamper(StandIn* standIn)
{
    static wchar_t value[16];
    static wchar_t package[MAX_PATH];
    static wchar_t pattern[MAX_PATH + 8];
    static wchar_t file[MAX_PATH + 8];
    if (!ReadSetting(L"MSILAUNCH_STANDIN_TAMPER", value, 16)) return;
    if (!PackagePath(standIn->commandLine, package, MAX_PATH)) {
        Fail(standIn, L"no package after /i to tamper with");
        return;
    }
    TamperWith(standIn, package);
    lstrcpyW(pattern, package);
    wchar_t* slash = pattern;
    for (wchar_t* q = pattern; *q; ++q) {
        if (*q == L'\\') slash = q;
    }
    lstrcpyW(slash + 1, L"*.cab");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        lstrcpyW(file, pattern);
        lstrcpyW(file + (slash + 1 - pattern), found.cFileName);
        TamperWith(standIn, file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

static void RunRegister(StandIn* standIn)
{
    static wchar_t code[256];
    static wchar_t view[16];
    static wchar_t key[512];
    static wchar_t uninstall[300];
    if (!ReadSetting(L"MSILAUNCH_STANDIN_REGISTER", code, 256)) return;
    ReadSetting(L"MSILAUNCH_STANDIN_REGISTER_VIEW", view, 16);
    REGSAM access = KEY_ALL_ACCESS | (lstrcmpW(view, L"64") == 0 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    lstrcpyW(key, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
    lstrcatW(key, code);
    HKEY handle = NULL;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, NULL, 0, access, NULL, &handle, NULL) != ERROR_SUCCESS) {
        Fail(standIn, L"cannot create the Uninstall key");
        return;
    }
    lstrcpyW(uninstall, L"MsiExec.exe /X");
    lstrcatW(uninstall, code);
    RegSetValueExW(handle, L"UninstallString", 0, REG_SZ, (const BYTE*)uninstall,
                   (DWORD)((lstrlenW(uninstall) + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

static void RunStarted(StandIn* standIn)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    wchar_t path[MAX_PATH];
    if (!ReadSetting(L"MSILAUNCH_STANDIN_STARTED", path, MAX_PATH)) return;
    unsigned long long ticks = ((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime;
    char text[24];
    int length = 0;
    char digits[24];
    do {
        digits[length++] = (char)('0' + ticks % 10);
        ticks /= 10;
    } while (ticks != 0);
    for (int i = 0; i < length; ++i) text[i] = digits[length - 1 - i];
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, text, (DWORD)length, &written, NULL) ||
        written != (DWORD)length) {
        Fail(standIn, L"cannot write MSILAUNCH_STANDIN_STARTED");
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// In this order; a behaviour that fails stops the ones after it.
static const Behaviour kBehaviours[] = {
    { "started", RunStarted },
    { "log", RunLog },
    { "tamper", RunTamper },
    { "register", RunRegister },
    { "forward", RunForward },
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
    standIn.forwarded = false;
    if (!ReadSetting(L"MSILAUNCH_STANDIN_LOG", standIn.logPath, kMaxValue)) {
        lstrcpyW(standIn.logPath, L"C:\\standin.log");
    }
    for (size_t i = 0; i < sizeof(kBehaviours) / sizeof(kBehaviours[0]); ++i) {
        kBehaviours[i].run(&standIn);
        if (standIn.failed) break;
    }
    return (int)standIn.exitCode;
}
