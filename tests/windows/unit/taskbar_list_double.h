// A recording stand-in for the shell's ITaskbarList3: every call is kept, in
// order, with what the window showed at that moment (its class, caption and
// its progress bar's class, range and position), so tests can read back what the taskbar
// button would have shown and compare it with the dialog's own bar.
#ifndef MSILAUNCH_TESTS_WINDOWS_UNIT_TASKBAR_LIST_DOUBLE_H
#define MSILAUNCH_TESTS_WINDOWS_UNIT_TASKBAR_LIST_DOUBLE_H

#include <windows.h>

#include <shobjidl.h>

#include <string>
#include <vector>

struct TaskbarCall {
    std::string method;  // "SetProgressValue", "SetProgressState" or any other method's name
    HWND window;
    ULONGLONG completed;
    ULONGLONG total;
    TBPFLAG state;
    std::string windowClass;
    std::wstring caption;
    int barPosition;  // PBM_GETPOS of control 100, -1 without such a control
    std::string barClass;
    int barLow;       // the bar's range (PBM_GETRANGE)
    int barHigh;
};

class RecordingTaskbarList : public ITaskbarList3 {
public:
    std::vector<TaskbarCall> calls;
    int releases = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE HrInit() override;
    HRESULT STDMETHODCALLTYPE AddTab(HWND window) override;
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND window) override;
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND window) override;
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND window) override;
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND window, WINBOOL fullscreen) override;
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND window, ULONGLONG completed, ULONGLONG total) override;
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND window, TBPFLAG state) override;
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND tab, HWND mdi) override;
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND tab) override;
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND tab, HWND before) override;
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND tab, HWND mdi, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND window, UINT count, LPTHUMBBUTTON buttons) override;
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND window, UINT count, LPTHUMBBUTTON buttons) override;
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND window, HIMAGELIST images) override;
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND window, HICON icon, LPCWSTR description) override;
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND window, LPCWSTR tip) override;
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND window, RECT* clip) override;

private:
    HRESULT Other(const char* method, HWND window);
    TaskbarCall Observe(const char* method, HWND window);
};

#endif
