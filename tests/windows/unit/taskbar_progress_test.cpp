// The taskbar wrapper against a recording ITaskbarList3: which shell calls
// each operation makes, with which values, and that a null wrapper or one
// without a shell object is safe everywhere.
#include <gtest/gtest.h>

#include "tests/windows/unit/taskbar_list_double.h"
#include "ui/taskbar_progress.h"

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x1234);

TEST(TaskbarProgressTest, TellsTheShellTheStoredWindowCompletedAndTotal)
{
    RecordingTaskbarList shell;
    TaskbarProgress progress = {&shell, nullptr, 0, 0, 0, 0};
    TaskbarProgressSetWindow(&progress, kWindow);
    TaskbarProgressSetState(&progress, 1);
    TaskbarProgressSetTotal(&progress, 100, 0);
    TaskbarProgressSetCompleted(&progress, 42, 0);
    TaskbarProgressSetState(&progress, 0);
    TaskbarProgressSetState(&progress, 7);
    // Both halves reach the shell as one 64-bit value.
    TaskbarProgressSetTotal(&progress, 0x89ABCDEF, 0x01234567);
    TaskbarProgressSetCompleted(&progress, 5, 1);

    ASSERT_EQ(7u, shell.calls.size());
    const TBPFLAG states[] = {TBPF_NORMAL, TBPF_NOPROGRESS, TBPF_NORMAL};
    const size_t stateCalls[] = {0, 3, 4};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ("SetProgressState", shell.calls[stateCalls[i]].method) << i;
        EXPECT_EQ(states[i], shell.calls[stateCalls[i]].state) << i;
    }
    struct Value {
        size_t call;
        ULONGLONG completed;
        ULONGLONG total;
    };
    const Value values[] = {
        {1, 0, 100},
        {2, 42, 100},
        {5, 42, 0x0123456789ABCDEFull},
        {6, 0x100000005ull, 0x0123456789ABCDEFull},
    };
    for (const Value& value : values) {
        const TaskbarCall& call = shell.calls[value.call];
        EXPECT_EQ("SetProgressValue", call.method) << value.call;
        EXPECT_EQ(value.completed, call.completed) << value.call;
        EXPECT_EQ(value.total, call.total) << value.call;
    }
    for (const TaskbarCall& call : shell.calls) EXPECT_EQ(kWindow, call.window);
    EXPECT_EQ(0, shell.releases);
}

TEST(TaskbarProgressTest, WithoutShellObjectStoresValuesAndNullWrapperIsSafe)
{
    TaskbarProgress progress = {nullptr, nullptr, 0, 0, 0, 0};
    TaskbarProgressSetWindow(&progress, kWindow);
    TaskbarProgressSetState(&progress, 1);
    TaskbarProgressSetTotal(&progress, 100, 2);
    TaskbarProgressSetCompleted(&progress, 30, 1);
    EXPECT_EQ(kWindow, progress.window);
    EXPECT_EQ(100u, progress.totalLow);
    EXPECT_EQ(2u, progress.totalHigh);
    EXPECT_EQ(30u, progress.completedLow);
    EXPECT_EQ(1u, progress.completedHigh);

    TaskbarProgressSetWindow(nullptr, kWindow);
    TaskbarProgressSetState(nullptr, 1);
    TaskbarProgressSetTotal(nullptr, 100, 0);
    TaskbarProgressSetCompleted(nullptr, 1, 0);
    TaskbarProgressRelease(nullptr);
}

TEST(TaskbarProgressTest, ReleaseReleasesTheShellObjectOnceAndEndsTheCurrentWrapper)
{
    RecordingTaskbarList shell;
    TaskbarProgress* progress = static_cast<TaskbarProgress*>(LocalAlloc(LPTR, sizeof(TaskbarProgress)));
    ASSERT_NE(nullptr, progress);
    progress->taskbarList = &shell;
    SetCurrentTaskbarProgress(progress);
    ASSERT_EQ(progress, CurrentTaskbarProgress());
    TaskbarProgressRelease(progress);
    EXPECT_EQ(1, shell.releases);
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(nullptr, CurrentTaskbarProgress());
}

TEST(TaskbarProgressTest, CreateGivesAWrapperFromWindows7On)
{
    CoInitialize(nullptr);
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    bool expected = version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 1);
    TaskbarProgress* progress = TaskbarProgressCreate();
    EXPECT_EQ(expected, progress != nullptr) << version.dwMajorVersion << "." << version.dwMinorVersion;
    if (progress != nullptr) {
        EXPECT_EQ(nullptr, progress->window);
        EXPECT_EQ(0u, progress->totalLow | progress->totalHigh | progress->completedLow | progress->completedHigh);
    }
    TaskbarProgressRelease(progress);
    CoUninitialize();
}

}  // namespace
