// The progress dialog: its window class, the window template built in global
// memory, and the dialog procedure that steps the extraction pump.
#include "ui/progress_dialog.h"

#include <commctrl.h>

#include "launcher/system_message.h"
#include "package/extraction_pump.h"
#include "ui/taskbar_progress.h"

namespace {

const UINT kClassStyle = CS_SAVEBITS | CS_NOCLOSE | CS_DBLCLKS;
const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT;
const short kDialogWidth = 180;
const short kDialogHeight = 40;
const WORD kPointSize = 10;
const int kProgressBarId = 100;
const UINT_PTR kTimerId = 1;
const int kIconResourceId = 1;
const DWORD kQuestionTextRoom = 1024;
const int kCaptionRoom = 256;

// The fixed part of the template: the header, the empty menu and the point
// size, in bytes.
static_assert(sizeof(DLGTEMPLATE) == 18, "DLGTEMPLATE is packed on 16-bit boundaries");
const DWORD kTemplateFixedBytes = sizeof(DLGTEMPLATE) + sizeof(WORD) + sizeof(WORD);

// One template string: at most kTemplateTextUnits units and the terminator.
struct TemplateText {
    WCHAR units[kTemplateTextUnits + 1];
    int length;
};

// Converts ANSI text from the system code page, cut to kTemplateTextUnits
// units (never between the two halves of a surrogate pair).  False only when
// there is no memory for the conversion of a long text.
bool ConvertTemplateText(const char* text, TemplateText* out)
{
    out->units[0] = 0;
    out->length = 0;
    int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) return true;
    if (needed <= kTemplateTextUnits + 1) {
        int made = MultiByteToWideChar(CP_ACP, 0, text, -1, out->units, kTemplateTextUnits + 1);
        out->length = made > 0 ? made - 1 : 0;
        out->units[out->length] = 0;
        return true;
    }
    WCHAR* whole = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(needed) * sizeof(WCHAR)));
    if (whole == nullptr) return false;
    int made = MultiByteToWideChar(CP_ACP, 0, text, -1, whole, needed);
    int keep = made > 0 ? made - 1 : 0;
    if (keep > kTemplateTextUnits) keep = kTemplateTextUnits;
    if (keep > 0 && whole[keep - 1] >= 0xD800 && whole[keep - 1] <= 0xDBFF) --keep;
    CopyMemory(out->units, whole, static_cast<SIZE_T>(keep) * sizeof(WCHAR));
    out->units[keep] = 0;
    out->length = keep;
    LocalFree(whole);
    return true;
}

DWORD TemplateTextBytes(const TemplateText* text)
{
    return static_cast<DWORD>(text->length + 1) * sizeof(WCHAR);
}

WORD* PutWord(WORD* at, WORD value)
{
    *at = value;
    return at + 1;
}

WORD* PutText(WORD* at, const TemplateText* text)
{
    CopyMemory(at, text->units, TemplateTextBytes(text));
    return at + text->length + 1;
}

void RegisterProgressClass(HINSTANCE instance, const char* className)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.style = kClassStyle;
    windowClass.lpfnWndProc = DefDlgProcA;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = className;
    // Fails harmlessly when an earlier run registered the class.
    RegisterClassA(&windowClass);
}

// The template in one zero-filled fixed block sized for exactly what is
// written, or null (no memory).
HGLOBAL BuildTemplate(const char* className, const char* caption, const char* typeface)
{
    TemplateText classText;
    TemplateText captionText;
    TemplateText typefaceText;
    if (!ConvertTemplateText(className, &classText) || !ConvertTemplateText(caption, &captionText) ||
        !ConvertTemplateText(typeface, &typefaceText)) {
        return nullptr;
    }
    DWORD size = kTemplateFixedBytes + TemplateTextBytes(&classText) + TemplateTextBytes(&captionText) +
                 TemplateTextBytes(&typefaceText);
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (block == nullptr) return nullptr;

    DLGTEMPLATE* header = static_cast<DLGTEMPLATE*>(GlobalLock(block));
    if (header == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    header->style = kDialogStyle;
    header->dwExtendedStyle = 0;
    header->cdit = 0;
    header->x = 0;
    header->y = 0;
    header->cx = kDialogWidth;
    header->cy = kDialogHeight;
    WORD* at = reinterpret_cast<WORD*>(header + 1);
    at = PutWord(at, 0);
    at = PutText(at, &classText);
    at = PutText(at, &captionText);
    at = PutWord(at, kPointSize);
    PutText(at, &typefaceText);
    GlobalUnlock(block);
    return block;
}

// Asks Retry or Cancel with the dialog's own caption.  True for Retry.
bool AskRetry(HWND window, DWORD code, const char* detail)
{
    char text[kQuestionTextRoom];
    char caption[kCaptionRoom];
    ComposeSystemMessage(code, text, sizeof(text), detail);
    caption[0] = 0;
    GetWindowTextA(window, caption, sizeof(caption));
    return MessageBoxA(window, text, caption, MB_ICONQUESTION | MB_RETRYCANCEL) != IDCANCEL;
}

// Arms the zero-interval timer that runs the next step; when that fails, asks
// until it works or the user cancels (the dialog then ends with 2).
void ArmTimer(HWND window, ExtractionQueue* queue)
{
    for (;;) {
        queue->timerId = static_cast<DWORD>(SetTimer(window, kTimerId, 0, nullptr));
        if (queue->timerId != 0) return;
        DWORD error = GetLastError();
        if (!AskRetry(window, error, nullptr)) {
            EndDialog(window, 2);
            return;
        }
    }
}

void SetProgressShown(HWND window, int percent)
{
    SendDlgItemMessageA(window, kProgressBarId, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    TaskbarProgressSetCompleted(CurrentTaskbarProgress(), static_cast<DWORD>(percent), 0);
}

void OnInitDialog(HWND window, ExtractionQueue* queue)
{
    SetLastError(0);
    if (SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG>(queue)) == 0 && GetLastError() != 0) {
        EndDialog(window, 3);
        return;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));

    // Left, top, width and height, in dialog units and then in pixels.
    RECT place = {5, 14, 170, 12};
    MapDialogRect(window, &place);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, place.left, place.top, place.right,
                               place.bottom, window, reinterpret_cast<HMENU>(kProgressBarId), instance, nullptr);
    SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    HANDLE bigIcon = LoadImageA(instance, MAKEINTRESOURCEA(kIconResourceId), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    HANDLE smallIcon = LoadImageA(instance, MAKEINTRESOURCEA(kIconResourceId), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar, PBM_SETPOS, 0, 0);

    TaskbarProgress* taskbar = CurrentTaskbarProgress();
    TaskbarProgressSetWindow(taskbar, window);
    TaskbarProgressSetState(taskbar, 1);
    TaskbarProgressSetTotal(taskbar, 100, 0);
    TaskbarProgressSetCompleted(taskbar, 0, 0);

    ArmTimer(window, queue);
}

void OnTimer(HWND window)
{
    ExtractionQueue* queue = reinterpret_cast<ExtractionQueue*>(GetWindowLongA(window, GWL_USERDATA));
    if (queue == nullptr) return;
    KillTimer(window, queue->timerId);
    int percent = 0;
    DWORD result = ExtractionStep(queue, &percent);
    SetProgressShown(window, percent);
    if (result == 0) {
        EndDialog(window, 1);
        return;
    }
    if (result == ERROR_MORE_DATA) {
        ArmTimer(window, queue);
        return;
    }
    const char* detail = nullptr;
    if (queue->currentIndex >= 0 && queue->currentIndex < queue->fileCount) {
        detail = queue->files[queue->currentIndex].fullPath;
    }
    if (!AskRetry(window, result, detail)) {
        EndDialog(window, 2);
        return;
    }
    ArmTimer(window, queue);
}

}  // namespace

INT_PTR CALLBACK ProgressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    if (message == WM_INITDIALOG) {
        OnInitDialog(window, reinterpret_cast<ExtractionQueue*>(lParam));
    } else if (message == WM_TIMER) {
        OnTimer(window);
    } else if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
    }
    // Everything else, WM_COMMAND included, is the dialog manager's: neither
    // Escape nor Alt+F4 ends this dialog.
    return 0;
}

int RunProgressDialog(ExtractionQueue* queue, const char* className, const char* caption, const char* typeface)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterProgressClass(instance, className);
    HGLOBAL block = BuildTemplate(className, caption, typeface);
    if (block == nullptr) return -1;
    INT_PTR result = DialogBoxIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(block), nullptr,
                                             ProgressDialogProc, reinterpret_cast<LPARAM>(queue));
    GlobalFree(block);
    return static_cast<int>(result);
}
