// The recording ITaskbarList3 of the unit tests (see taskbar_list_double.h).
#include "tests/windows/unit/taskbar_list_double.h"

#include <commctrl.h>

TaskbarCall RecordingTaskbarList::Observe(const char* method, HWND window)
{
    TaskbarCall call{method, window, 0, 0, TBPF_NOPROGRESS, std::string(), std::wstring(), -1, std::string(), -1, -1};
    if (IsWindow(window)) {
        char className[257] = {0};
        GetClassNameA(window, className, sizeof(className));
        call.windowClass = className;
        wchar_t caption[257] = {0};
        GetWindowTextW(window, caption, 257);
        call.caption = caption;
        HWND bar = GetDlgItem(window, 100);
        if (bar != nullptr) {
            call.barPosition = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
            GetClassNameA(bar, className, sizeof(className));
            call.barClass = className;
            PBRANGE range = {-1, -1};
            SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
            call.barLow = range.iLow;
            call.barHigh = range.iHigh;
        }
    }
    return call;
}

HRESULT RecordingTaskbarList::Other(const char* method, HWND window)
{
    calls.push_back(Observe(method, window));
    return S_OK;
}

HRESULT RecordingTaskbarList::QueryInterface(REFIID, void** object)
{
    *object = nullptr;
    Other("QueryInterface", nullptr);
    return E_NOINTERFACE;
}

ULONG RecordingTaskbarList::AddRef()
{
    Other("AddRef", nullptr);
    return 2;
}

ULONG RecordingTaskbarList::Release()
{
    ++releases;
    return 1;
}

HRESULT RecordingTaskbarList::SetProgressValue(HWND window, ULONGLONG completed, ULONGLONG total)
{
    TaskbarCall call = Observe("SetProgressValue", window);
    call.completed = completed;
    call.total = total;
    calls.push_back(call);
    return S_OK;
}

HRESULT RecordingTaskbarList::SetProgressState(HWND window, TBPFLAG state)
{
    TaskbarCall call = Observe("SetProgressState", window);
    call.state = state;
    calls.push_back(call);
    return S_OK;
}

HRESULT RecordingTaskbarList::HrInit() { return Other("HrInit", nullptr); }
HRESULT RecordingTaskbarList::AddTab(HWND window) { return Other("AddTab", window); }
HRESULT RecordingTaskbarList::DeleteTab(HWND window) { return Other("DeleteTab", window); }
HRESULT RecordingTaskbarList::ActivateTab(HWND window) { return Other("ActivateTab", window); }
HRESULT RecordingTaskbarList::SetActiveAlt(HWND window) { return Other("SetActiveAlt", window); }
HRESULT RecordingTaskbarList::MarkFullscreenWindow(HWND window, WINBOOL) { return Other("MarkFullscreenWindow", window); }
HRESULT RecordingTaskbarList::RegisterTab(HWND tab, HWND) { return Other("RegisterTab", tab); }
HRESULT RecordingTaskbarList::UnregisterTab(HWND tab) { return Other("UnregisterTab", tab); }
HRESULT RecordingTaskbarList::SetTabOrder(HWND tab, HWND) { return Other("SetTabOrder", tab); }
HRESULT RecordingTaskbarList::SetTabActive(HWND tab, HWND, DWORD) { return Other("SetTabActive", tab); }
HRESULT RecordingTaskbarList::ThumbBarAddButtons(HWND window, UINT, LPTHUMBBUTTON) { return Other("ThumbBarAddButtons", window); }
HRESULT RecordingTaskbarList::ThumbBarUpdateButtons(HWND window, UINT, LPTHUMBBUTTON) { return Other("ThumbBarUpdateButtons", window); }
HRESULT RecordingTaskbarList::ThumbBarSetImageList(HWND window, HIMAGELIST) { return Other("ThumbBarSetImageList", window); }
HRESULT RecordingTaskbarList::SetOverlayIcon(HWND window, HICON, LPCWSTR) { return Other("SetOverlayIcon", window); }
HRESULT RecordingTaskbarList::SetThumbnailTooltip(HWND window, LPCWSTR) { return Other("SetThumbnailTooltip", window); }
HRESULT RecordingTaskbarList::SetThumbnailClip(HWND window, RECT*) { return Other("SetThumbnailClip", window); }
