// robot.exe: a small UI robot for the test guest.
//   robot.exe STEP [ARGS...] [STEP [ARGS...]]...
// Runs the steps in order: starts a program, waits for its windows, reads
// their static texts and buttons, presses buttons, sends keys, waits for the
// program's exit code. Each observation is one UTF-8 line on stdout. Exit code
// 0 when every step succeeded, 1 at the first failing step (after printing
// "robot: FAIL <step>: <reason>"; a still-running spawned process is then
// terminated so nothing is left on screen), 2 on bad usage.
#define WIN32_LEAN_AND_MEAN
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

// Longest window text read from a control; longer texts are cut there.
static const int kMaxText = 32768;
// Longest output line (escaping at most doubles a text).
static const int kMaxLine = 2 * kMaxText + 512;
// Interval of every polling loop.
static const DWORD kPollMs = 50;
// Upper bound of any time argument (one hour).
static const DWORD kMaxMs = 3600000;
// Time a cross-process WM_GETTEXT may take before the control counts as hung.
static const UINT kGetTextMs = 2000;

struct Line {
    wchar_t text[kMaxLine];
    int length;
    bool cut;
};

struct Robot {
    HANDLE process;   // spawned process, or NULL
    DWORD pid;
    HWND window;      // current window, or NULL
};

typedef bool (*StepFunction)(Robot* robot, wchar_t** args, Line* why);

struct StepDef {
    const wchar_t* name;
    int argCount;
    StepFunction run;
    const char* usage;
};

struct KeyDef {
    const wchar_t* name;
    WORD vk;
    bool alt;
};

static const KeyDef kKeys[] = {
    { L"escape", VK_ESCAPE, false },
    { L"enter", VK_RETURN, false },
    { L"alt+f4", VK_F4, true },
    { L"home", VK_HOME, false },
    { L"down", VK_DOWN, false },
    { L"up", VK_UP, false },
    { L"tab", VK_TAB, false },
};

static Line g_out;
static Line g_why;
static wchar_t g_text[kMaxText];

// ---- output -----------------------------------------------------------------

static void LineClear(Line* line)
{
    line->length = 0;
    line->cut = false;
    line->text[0] = 0;
}

static void LineAddChar(Line* line, wchar_t c)
{
    // Room is kept for the "..." of a cut line and the final newline.
    if (line->length >= kMaxLine - 8) {
        line->cut = true;
        return;
    }
    line->text[line->length++] = c;
    line->text[line->length] = 0;
}

static void LineAdd(Line* line, const wchar_t* s)
{
    for (; *s; ++s) LineAddChar(line, *s);
}

// Adds a window text with CR and LF written as \r and \n, so one text stays
// on one output line.
static void LineAddEscaped(Line* line, const wchar_t* s)
{
    for (; *s; ++s) {
        if (*s == L'\r') {
            LineAddChar(line, L'\\');
            LineAddChar(line, L'r');
        } else if (*s == L'\n') {
            LineAddChar(line, L'\\');
            LineAddChar(line, L'n');
        } else {
            LineAddChar(line, *s);
        }
    }
}

static void LineAddUnsigned(Line* line, DWORD value)
{
    wchar_t digits[16];
    int n = 0;
    do {
        digits[n++] = (wchar_t)(L'0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 15);
    while (n > 0) LineAddChar(line, digits[--n]);
}

static void WriteUtf8(HANDLE handle, const wchar_t* text, int length)
{
    if (handle == NULL || handle == INVALID_HANDLE_VALUE || length <= 0) return;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, NULL, 0, NULL, NULL);
    if (bytes <= 0) return;
    char* buffer = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)bytes);
    if (buffer == NULL) return;
    int made = WideCharToMultiByte(CP_UTF8, 0, text, length, buffer, bytes, NULL, NULL);
    DWORD written = 0;
    if (made > 0) WriteFile(handle, buffer, (DWORD)made, &written, NULL);
    HeapFree(GetProcessHeap(), 0, buffer);
}

// Writes the line plus a newline to stdout (or stderr) and clears it.
static void LineEmit(Line* line, DWORD stdHandle)
{
    if (line->cut) {
        line->text[line->length++] = L'.';
        line->text[line->length++] = L'.';
        line->text[line->length++] = L'.';
    }
    line->text[line->length++] = L'\n';
    line->text[line->length] = 0;
    WriteUtf8(GetStdHandle(stdHandle), line->text, line->length);
    LineClear(line);
}

// ---- small helpers -------------------------------------------------------------

static bool ParseMs(const wchar_t* s, DWORD* value)
{
    DWORD v = 0;
    if (*s == 0) return false;
    for (; *s; ++s) {
        if (*s < L'0' || *s > L'9') return false;
        v = v * 10 + (DWORD)(*s - L'0');
        if (v > kMaxMs) return false;
    }
    *value = v;
    return true;
}

static const KeyDef* FindKey(const wchar_t* name)
{
    for (size_t i = 0; i < sizeof(kKeys) / sizeof(kKeys[0]); ++i) {
        if (lstrcmpiW(kKeys[i].name, name) == 0) return &kKeys[i];
    }
    return NULL;
}

static bool Matches(const wchar_t* pattern, const wchar_t* value)
{
    if (pattern[0] == L'*' && pattern[1] == 0) return true;
    return lstrcmpW(pattern, value) == 0;
}

static bool ProcessExited(Robot* robot, DWORD* code)
{
    if (robot->process == NULL) return false;
    if (WaitForSingleObject(robot->process, 0) != WAIT_OBJECT_0) return false;
    if (!GetExitCodeProcess(robot->process, code)) *code = 0;
    return true;
}

// Reads a control's text into g_text. A window of another process keeps only
// the text it was created or last set with; WM_GETTEXT asks the control
// itself (an edit box keeps its own text), with a bound in case it hangs.
static const wchar_t* ReadText(HWND window)
{
    DWORD_PTR got = 0;
    g_text[0] = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, kMaxText, (LPARAM)g_text,
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kGetTextMs, &got)) {
        GetWindowTextW(window, g_text, kMaxText);
    }
    g_text[kMaxText - 1] = 0;
    return g_text;
}

static bool ClassIs(HWND window, const wchar_t* name)
{
    wchar_t className[257];
    if (GetClassNameW(window, className, 257) == 0) return false;
    return lstrcmpiW(className, name) == 0;
}

// Compares a button text with a name; "&" marks a mnemonic and "&&" stands
// for a literal "&". Case-insensitive.
static bool ButtonTextIs(const wchar_t* text, const wchar_t* name)
{
    static wchar_t plain[kMaxText];
    int n = 0;
    for (int i = 0; text[i] != 0 && n < kMaxText - 1; ++i) {
        if (text[i] == L'&') {
            if (text[i + 1] != L'&') continue;
            ++i;
        }
        plain[n++] = text[i];
    }
    plain[n] = 0;
    return lstrcmpiW(plain, name) == 0;
}

// ---- window search ------------------------------------------------------------

struct FindContext {
    DWORD pid;              // 0: windows of any process
    const wchar_t* className;
    const wchar_t* caption;
    HWND found;
};

static BOOL CALLBACK FindTopLevel(HWND window, LPARAM param)
{
    FindContext* context = (FindContext*)param;
    if (!IsWindowVisible(window)) return TRUE;
    if (context->pid != 0) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != context->pid) return TRUE;
    }
    wchar_t className[257];
    if (GetClassNameW(window, className, 257) == 0) return TRUE;
    if (!Matches(context->className, className)) return TRUE;
    // A top-level window of another process answers GetWindowText from the
    // text kept by the system, without a message to the (maybe busy) window.
    g_text[0] = 0;
    GetWindowTextW(window, g_text, kMaxText);
    if (!Matches(context->caption, g_text)) return TRUE;
    context->found = window;
    return FALSE;
}

static HWND FindWindowOf(DWORD pid, const wchar_t* className, const wchar_t* caption)
{
    FindContext context;
    context.pid = pid;
    context.className = className;
    context.caption = caption;
    context.found = NULL;
    EnumWindows(FindTopLevel, (LPARAM)&context);
    return context.found;
}

// Adds "class=<class> caption=<caption>" of a top-level window.
static void LineAddWindow(Line* line, HWND window)
{
    wchar_t className[257];
    className[0] = 0;
    GetClassNameW(window, className, 257);
    LineAdd(line, L"class=");
    LineAddEscaped(line, className);
    LineAdd(line, L" caption=");
    g_text[0] = 0;
    GetWindowTextW(window, g_text, kMaxText);
    LineAddEscaped(line, g_text);
}

// ---- child listing ------------------------------------------------------------

enum ChildMode { kListStaticsAndButtons, kListClass, kFindButton };

struct ChildContext {
    ChildMode mode;
    const wchar_t* name;     // class for kListClass, button text for kFindButton
    HWND found;
    Line* buttons;           // kFindButton: names of the buttons seen
};

static bool IsPictureStatic(HWND window)
{
    LONG type = GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK;
    return type == SS_ICON || type == SS_BITMAP || type == SS_ENHMETAFILE;
}

// Children are visited in Z order (EnumChildWindows, depth first); hidden
// controls are not part of what a user sees and are skipped.
static BOOL CALLBACK VisitChild(HWND child, LPARAM param)
{
    ChildContext* context = (ChildContext*)param;
    if (!IsWindowVisible(child)) return TRUE;
    if (context->mode == kListClass) {
        if (!ClassIs(child, context->name)) return TRUE;
        LineAdd(&g_out, L"childtext=");
        LineAddEscaped(&g_out, ReadText(child));
        LineEmit(&g_out, STD_OUTPUT_HANDLE);
        return TRUE;
    }
    bool isStatic = ClassIs(child, L"Static");
    bool isButton = !isStatic && ClassIs(child, L"Button");
    if (context->mode == kListStaticsAndButtons) {
        if (isStatic && !IsPictureStatic(child)) {
            const wchar_t* text = ReadText(child);
            if (text[0] != 0) {
                LineAdd(&g_out, L"text=");
                LineAddEscaped(&g_out, text);
                LineEmit(&g_out, STD_OUTPUT_HANDLE);
            }
        } else if (isButton) {
            LineAdd(&g_out, L"button=");
            LineAddEscaped(&g_out, ReadText(child));
            LineEmit(&g_out, STD_OUTPUT_HANDLE);
        }
        return TRUE;
    }
    if (!isButton) return TRUE;
    const wchar_t* text = ReadText(child);
    if (context->buttons->length > 0) LineAdd(context->buttons, L", ");
    LineAddEscaped(context->buttons, text);
    if (ButtonTextIs(text, context->name)) {
        context->found = child;
        return FALSE;
    }
    return TRUE;
}

// ---- steps ----------------------------------------------------------------------

static void ForgetProcess(Robot* robot)
{
    if (robot->process != NULL) CloseHandle(robot->process);
    robot->process = NULL;
    robot->pid = 0;
    robot->window = NULL;
}

static bool SpawnCommandLine(Robot* robot, const wchar_t* line, Line* why)
{
    ForgetProcess(robot);
    int length = lstrlenW(line);
    wchar_t* commandLine = (wchar_t*)HeapAlloc(GetProcessHeap(), 0,
                                                ((SIZE_T)length + 1) * sizeof(wchar_t));
    if (commandLine == NULL) {
        LineAdd(why, L"out of memory");
        return false;
    }
    lstrcpyW(commandLine, line);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof(info));
    BOOL made = CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL,
                               &startup, &info);
    DWORD error = GetLastError();
    HeapFree(GetProcessHeap(), 0, commandLine);
    if (!made) {
        LineAdd(why, L"CreateProcessW failed, error ");
        LineAddUnsigned(why, error);
        return false;
    }
    CloseHandle(info.hThread);
    robot->process = info.hProcess;
    robot->pid = info.dwProcessId;
    LineAdd(&g_out, L"spawned pid=");
    LineAddUnsigned(&g_out, robot->pid);
    LineEmit(&g_out, STD_OUTPUT_HANDLE);
    return true;
}

static bool StepSpawn(Robot* robot, wchar_t** args, Line* why)
{
    return SpawnCommandLine(robot, args[0], why);
}

// The command line comes from a UTF-8 file (one line; a final line break is
// dropped), for lines longer than the robot's own command line can carry.
static bool StepSpawnFile(Robot* robot, wchar_t** args, Line* why)
{
    HANDLE file = CreateFileW(args[0], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        LineAdd(why, L"cannot open the file");
        return false;
    }
    DWORD size = GetFileSize(file, NULL);
    bool ok = false;
    char* bytes = NULL;
    wchar_t* line = NULL;
    DWORD read = 0;
    int units = 0;
    if (size == INVALID_FILE_SIZE || size > 1048576) {
        LineAdd(why, L"the file is too large");
        goto done;
    }
    bytes = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size + 1);
    line = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, ((SIZE_T)size + 1) * sizeof(wchar_t));
    if (bytes == NULL || line == NULL || !ReadFile(file, bytes, size, &read, NULL) || read != size) {
        LineAdd(why, L"cannot read the file");
        goto done;
    }
    while (size > 0 && (bytes[size - 1] == '\n' || bytes[size - 1] == '\r')) --size;
    units = size ? MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, line, (int)size) : 0;
    line[units] = 0;
    ok = SpawnCommandLine(robot, line, why);
done:
    if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
    if (line) HeapFree(GetProcessHeap(), 0, line);
    CloseHandle(file);
    return ok;
}

static bool StepWindow(Robot* robot, wchar_t** args, Line* why)
{
    DWORD timeout = 0;
    ParseMs(args[2], &timeout);
    ULONGLONG deadline = GetTickCount64() + timeout;
    HWND found = NULL;
    for (;;) {
        found = FindWindowOf(robot->pid, args[0], args[1]);
        if (found != NULL) break;
        DWORD code = 0;
        if (ProcessExited(robot, &code)) {
            LineAdd(why, L"process exited (exit=");
            LineAddUnsigned(why, code);
            LineAdd(why, L") without showing the window");
            return false;
        }
        if (GetTickCount64() >= deadline) {
            LineAdd(why, L"no such window within ");
            LineAddUnsigned(why, timeout);
            LineAdd(why, L" ms");
            return false;
        }
        Sleep(kPollMs);
    }
    robot->window = found;
    // Once the window's thread answers a message it is back in its message
    // loop, so the controls it creates along with the window exist.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kGetTextMs, &ignored);
    LineAdd(&g_out, L"window ");
    LineAddWindow(&g_out, found);
    LineEmit(&g_out, STD_OUTPUT_HANDLE);
    ChildContext context;
    context.mode = kListStaticsAndButtons;
    context.name = NULL;
    context.found = NULL;
    context.buttons = NULL;
    EnumChildWindows(found, VisitChild, (LPARAM)&context);
    return true;
}

static bool NeedWindow(Robot* robot, Line* why)
{
    if (robot->window != NULL && IsWindow(robot->window)) return true;
    LineAdd(why, robot->window == NULL ? L"no current window" : L"the current window is gone");
    return false;
}

static bool NeedProcess(Robot* robot, Line* why)
{
    if (robot->process != NULL) return true;
    LineAdd(why, L"no process spawned");
    return false;
}

// A click is a posted BM_CLICK: the button runs its own mouse-click handling
// in its own thread (focus moves to it, a check box toggles) and notifies its
// parent with BN_CLICKED, whatever the foreground window is.
static bool StepPress(Robot* robot, wchar_t** args, Line* why)
{
    if (!NeedWindow(robot, why)) return false;
    static Line seen;
    LineClear(&seen);
    ChildContext context;
    context.mode = kFindButton;
    context.name = args[0];
    context.found = NULL;
    context.buttons = &seen;
    EnumChildWindows(robot->window, VisitChild, (LPARAM)&context);
    if (context.found == NULL) {
        LineAdd(why, L"no button with that text; buttons: ");
        LineAdd(why, seen.text);
        return false;
    }
    if (!IsWindowEnabled(context.found)) {
        LineAdd(why, L"the button is disabled");
        return false;
    }
    if (!PostMessageW(context.found, BM_CLICK, 0, 0)) {
        LineAdd(why, L"PostMessageW failed, error ");
        LineAddUnsigned(why, GetLastError());
        return false;
    }
    return true;
}

// Brings the window to the foreground, bounded; the keys then go wherever
// that window's thread has its keyboard focus.
static bool MakeForeground(HWND window, Line* why)
{
    ULONGLONG deadline = GetTickCount64() + 2000;
    for (;;) {
        SetForegroundWindow(window);
        if (GetForegroundWindow() == window) return true;
        if (GetTickCount64() >= deadline) break;
        Sleep(kPollMs);
    }
    LineAdd(why, L"cannot bring the window to the foreground");
    return false;
}

static void SetKeyInput(INPUT* input, WORD vk, bool up)
{
    ZeroMemory(input, sizeof(*input));
    input->type = INPUT_KEYBOARD;
    input->ki.wVk = vk;
    input->ki.wScan = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    input->ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
}

// Real keyboard input through SendInput, so the window's own keyboard
// handling (dialog navigation, the system menu's Alt+F4) is what runs.
static bool StepKey(Robot* robot, wchar_t** args, Line* why)
{
    if (!NeedWindow(robot, why)) return false;
    const KeyDef* key = FindKey(args[0]);
    if (!MakeForeground(robot->window, why)) return false;
    INPUT inputs[4];
    UINT count = 0;
    if (key->alt) SetKeyInput(&inputs[count++], VK_MENU, false);
    SetKeyInput(&inputs[count++], key->vk, false);
    SetKeyInput(&inputs[count++], key->vk, true);
    if (key->alt) SetKeyInput(&inputs[count++], VK_MENU, true);
    if (SendInput(count, inputs, sizeof(INPUT)) != count) {
        LineAdd(why, L"SendInput failed, error ");
        LineAddUnsigned(why, GetLastError());
        return false;
    }
    return true;
}

static bool StepGone(Robot* robot, wchar_t** args, Line* why)
{
    if (robot->window == NULL) {
        LineAdd(why, L"no current window");
        return false;
    }
    DWORD timeout = 0;
    ParseMs(args[0], &timeout);
    ULONGLONG deadline = GetTickCount64() + timeout;
    while (IsWindow(robot->window)) {
        if (GetTickCount64() >= deadline) {
            LineAdd(why, L"the window still exists after ");
            LineAddUnsigned(why, timeout);
            LineAdd(why, L" ms");
            return false;
        }
        Sleep(kPollMs);
    }
    robot->window = NULL;
    return true;
}

// Watches for the whole time, except that a process that has exited can show
// nothing more and ends the wait early.
static bool StepNoWindow(Robot* robot, wchar_t** args, Line* why)
{
    if (!NeedProcess(robot, why)) return false;
    DWORD span = 0;
    ParseMs(args[0], &span);
    ULONGLONG deadline = GetTickCount64() + span;
    for (;;) {
        DWORD code = 0;
        bool exited = ProcessExited(robot, &code);
        HWND found = FindWindowOf(robot->pid, L"*", L"*");
        if (found != NULL) {
            LineAdd(why, L"a window is shown: ");
            LineAddWindow(why, found);
            return false;
        }
        if (exited || GetTickCount64() >= deadline) return true;
        Sleep(kPollMs);
    }
}

static bool StepExit(Robot* robot, wchar_t** args, Line* why)
{
    if (!NeedProcess(robot, why)) return false;
    DWORD timeout = 0;
    ParseMs(args[0], &timeout);
    if (WaitForSingleObject(robot->process, timeout) != WAIT_OBJECT_0) {
        LineAdd(why, L"the process is still running after ");
        LineAddUnsigned(why, timeout);
        LineAdd(why, L" ms");
        return false;   // the failure path terminates it
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(robot->process, &code)) {
        LineAdd(why, L"GetExitCodeProcess failed, error ");
        LineAddUnsigned(why, GetLastError());
        return false;
    }
    LineAdd(&g_out, L"exit=");
    LineAddUnsigned(&g_out, code);
    LineEmit(&g_out, STD_OUTPUT_HANDLE);
    return true;
}

static bool StepRun(Robot* robot, wchar_t** args, Line* why)
{
    if (!StepSpawn(robot, args, why)) return false;
    return StepExit(robot, args + 1, why);
}

static bool StepSleep(Robot* robot, wchar_t** args, Line* why)
{
    (void)robot;
    (void)why;
    DWORD span = 0;
    ParseMs(args[0], &span);
    Sleep(span);
    return true;
}

static bool StepChildText(Robot* robot, wchar_t** args, Line* why)
{
    if (!NeedWindow(robot, why)) return false;
    ChildContext context;
    context.mode = kListClass;
    context.name = args[0];
    context.found = NULL;
    context.buttons = NULL;
    EnumChildWindows(robot->window, VisitChild, (LPARAM)&context);
    return true;
}

static const StepDef kSteps[] = {
    { L"spawn", 1, StepSpawn, "spawn CMDLINE" },
    { L"spawnfile", 1, StepSpawnFile, "spawnfile FILE (UTF-8 command line)" },
    { L"window", 3, StepWindow, "window CLASS CAPTION TIMEOUT_MS   (* matches any)" },
    { L"press", 1, StepPress, "press BUTTON" },
    { L"key", 1, StepKey, "key escape|enter|alt+f4|home|down|up|tab" },
    { L"gone", 1, StepGone, "gone TIMEOUT_MS" },
    { L"nowindow", 1, StepNoWindow, "nowindow MS" },
    { L"exit", 1, StepExit, "exit TIMEOUT_MS" },
    { L"run", 2, StepRun, "run CMDLINE TIMEOUT_MS" },
    { L"sleep", 1, StepSleep, "sleep MS" },
    { L"childtext", 1, StepChildText, "childtext CLASS" },
};
static const int kStepCount = (int)(sizeof(kSteps) / sizeof(kSteps[0]));

static const StepDef* FindStep(const wchar_t* name)
{
    for (int i = 0; i < kStepCount; ++i) {
        if (lstrcmpW(kSteps[i].name, name) == 0) return &kSteps[i];
    }
    return NULL;
}

// Checks the whole sequence before anything runs: step names, argument
// counts, times and key names.
static bool CheckArgs(int argc, wchar_t** argv, Line* why)
{
    if (argc < 2) {
        LineAdd(why, L"no steps given");
        return false;
    }
    for (int i = 1; i < argc;) {
        const StepDef* step = FindStep(argv[i]);
        if (step == NULL) {
            LineAdd(why, L"unknown step: ");
            LineAdd(why, argv[i]);
            return false;
        }
        if (i + step->argCount >= argc) {
            LineAdd(why, L"missing arguments for ");
            LineAdd(why, step->name);
            return false;
        }
        wchar_t** args = argv + i + 1;
        const wchar_t* badTime = NULL;
        DWORD ms = 0;
        if (step->run == StepWindow && !ParseMs(args[2], &ms)) badTime = args[2];
        if (step->run == StepRun && !ParseMs(args[1], &ms)) badTime = args[1];
        if ((step->run == StepGone || step->run == StepNoWindow || step->run == StepExit ||
             step->run == StepSleep) && !ParseMs(args[0], &ms)) {
            badTime = args[0];
        }
        if (badTime != NULL) {
            LineAdd(why, L"bad time in milliseconds for ");
            LineAdd(why, step->name);
            LineAdd(why, L": ");
            LineAdd(why, badTime);
            return false;
        }
        if (step->run == StepKey && FindKey(args[0]) == NULL) {
            LineAdd(why, L"unknown key: ");
            LineAdd(why, args[0]);
            return false;
        }
        i += 1 + step->argCount;
    }
    return true;
}

static void PrintUsage(Line* why)
{
    LineAdd(&g_out, L"robot: ");
    LineAdd(&g_out, why->text);
    LineEmit(&g_out, STD_ERROR_HANDLE);
    LineAdd(&g_out, L"usage: robot.exe STEP [ARGS...]...; steps:");
    LineEmit(&g_out, STD_ERROR_HANDLE);
    for (int i = 0; i < kStepCount; ++i) {
        LineAdd(&g_out, L"  ");
        for (const char* s = kSteps[i].usage; *s; ++s) LineAddChar(&g_out, (wchar_t)*s);
        LineEmit(&g_out, STD_ERROR_HANDLE);
    }
}

int wmain(int argc, wchar_t** argv)
{
    LineClear(&g_out);
    LineClear(&g_why);
    if (!CheckArgs(argc, argv, &g_why)) {
        PrintUsage(&g_why);
        return 2;
    }
    Robot robot;
    robot.process = NULL;
    robot.pid = 0;
    robot.window = NULL;
    int result = 0;
    for (int i = 1; i < argc;) {
        const StepDef* step = FindStep(argv[i]);
        LineClear(&g_why);
        if (!step->run(&robot, argv + i + 1, &g_why)) {
            LineAdd(&g_out, L"robot: FAIL ");
            for (int a = 0; a <= step->argCount; ++a) {
                if (a > 0) LineAddChar(&g_out, L' ');
                LineAddEscaped(&g_out, argv[i + a]);
            }
            LineAdd(&g_out, L": ");
            LineAdd(&g_out, g_why.text);
            LineEmit(&g_out, STD_OUTPUT_HANDLE);
            result = 1;
            break;
        }
        i += 1 + step->argCount;
    }
    if (result != 0 && robot.process != NULL &&
        WaitForSingleObject(robot.process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(robot.process, 1);
        WaitForSingleObject(robot.process, 5000);
        LineAdd(&g_out, L"robot: terminated pid=");
        LineAddUnsigned(&g_out, robot.pid);
        LineEmit(&g_out, STD_OUTPUT_HANDLE);
    }
    ForgetProcess(&robot);
    return result;
}
