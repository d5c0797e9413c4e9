// GoogleTest's Notification is built on std::mutex, which the win32 thread model
// of MinGW's C++ library lacks.  This one, on a Win32 event, stands in for it
// (force-included into GoogleTest and the unit tests of the Windows build).
#ifndef MSILAUNCH_TESTS_WINDOWS_GTEST_NOTIFICATION_H
#define MSILAUNCH_TESTS_WINDOWS_GTEST_NOTIFICATION_H

#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1
#endif

#endif
