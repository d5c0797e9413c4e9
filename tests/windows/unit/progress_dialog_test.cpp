// The progress dialog run for real on files in the temporary folder, with a
// recording taskbar object as the current taskbar wrapper: the order of the
// taskbar calls, the per-file percentage on the bar and on the taskbar at
// every step, the window's class and caption, and the files at the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/system_library.h"
#include "tests/windows/unit/taskbar_list_double.h"
#include "ui/progress_dialog.h"
#include "ui/taskbar_progress.h"

namespace {

const char kClassName[] = "MSI_STUB_WINDOW_CLASS_NAME";

struct FileSpec {
    DWORD size;
    bool hasHandle;
};

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControlsFromSystem();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "progress-dialog-test";
        CreateDirectoryA(folder_.c_str(), nullptr);
        shell_ = new RecordingTaskbarList();
        taskbar_ = TaskbarProgress{shell_, nullptr, 0, 0, 0, 0};
        SetCurrentTaskbarProgress(&taskbar_);
    }
    void TearDown() override
    {
        SetCurrentTaskbarProgress(nullptr);
        for (PackageFile& file : files_) {
            if (file.outputHandle != nullptr) CloseHandle(file.outputHandle);
            DeleteFileA(file.fullPath);
        }
        RemoveDirectoryA(folder_.c_str());
        delete shell_;
    }

    // The queue over fresh files of the given sizes; a file without a handle
    // is not created, as for a file that already existed.
    ExtractionQueue MakeQueue(const std::vector<FileSpec>& specs)
    {
        content_.assign(2 * 1048576, 0);
        for (size_t i = 0; i < content_.size(); ++i) content_[i] = static_cast<BYTE>(i * 7 + i / 251);
        files_.assign(specs.size(), PackageFile());
        for (size_t i = 0; i < specs.size(); ++i) {
            PackageFile& file = files_[i];
            ZeroMemory(&file, sizeof(file));
            std::string path = folder_ + "\\file" + std::to_string(i) + ".bin";
            lstrcpynA(file.fullPath, path.c_str(), sizeof(file.fullPath));
            file.decodedBytes = content_.data();
            file.decodedSize = specs[i].size;
            if (specs[i].hasHandle) {
                file.outputHandle = CreateFileA(file.fullPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
                EXPECT_NE(INVALID_HANDLE_VALUE, file.outputHandle) << path;
            }
        }
        ExtractionQueue queue = {files_.empty() ? nullptr : files_.data(), static_cast<int>(files_.size()), -1,
                                 524288, 0};
        return queue;
    }

    std::string FileContent(const PackageFile& file)
    {
        std::string text;
        HANDLE handle = CreateFileA(file.fullPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return "(missing)";
        char chunk[65536];
        DWORD got = 0;
        while (ReadFile(handle, chunk, sizeof(chunk), &got, nullptr) && got > 0) text.append(chunk, got);
        CloseHandle(handle);
        return text;
    }

    std::string folder_;
    std::vector<BYTE> content_;
    std::vector<PackageFile> files_;
    RecordingTaskbarList* shell_ = nullptr;
    TaskbarProgress taskbar_;
};

struct StepCase {
    const char* name;
    std::vector<FileSpec> files;
    std::vector<int> percents;  // what each pump step shows, in order
};

TEST_F(ProgressDialogTest, ShowsEachStepsPercentOnTheBarAndTheTaskbarInOrder)
{
    const StepCase cases[] = {
        {"one file of 1 MiB", {{1048576, true}}, {0, 50, 100, 100}},
        {"a 1 MiB file, then 512 KiB + 1", {{1048576, true}, {524289, true}}, {0, 50, 100, 0, 99, 100, 100}},
        {"every file existed", {{1000, false}, {2000, false}, {3000, false}}, {0, 0, 0, 100}},
        {"an empty file", {{0, true}}, {0, 100}},
        {"no files", {}, {100}},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        delete shell_;
        shell_ = new RecordingTaskbarList();
        taskbar_ = TaskbarProgress{shell_, nullptr, 0, 0, 0, 0};
        ExtractionQueue queue = MakeQueue(c.files);

        EXPECT_EQ(1, RunProgressDialog(&queue, kClassName, "Example Product", "MS Sans Serif"));

        // While it initialises: normal progress, total 100, completed 0; then
        // one value per step, each matching the dialog's bar at that moment.
        std::vector<TaskbarCall>& calls = shell_->calls;
        ASSERT_EQ(3 + c.percents.size(), calls.size());
        EXPECT_EQ("SetProgressState", calls[0].method);
        EXPECT_EQ(TBPF_NORMAL, calls[0].state);
        for (size_t i = 1; i < calls.size(); ++i) {
            int percent = i < 3 ? 0 : c.percents[i - 3];
            EXPECT_EQ("SetProgressValue", calls[i].method) << i;
            EXPECT_EQ(static_cast<ULONGLONG>(percent), calls[i].completed) << i;
            EXPECT_EQ(100u, calls[i].total) << i;
            EXPECT_EQ(percent, calls[i].barPosition) << i;
        }
        for (const TaskbarCall& call : calls) {
            EXPECT_NE(nullptr, call.window);
            EXPECT_EQ(calls[0].window, call.window);
            EXPECT_EQ(kClassName, call.windowClass);
            EXPECT_EQ(L"Example Product", call.caption);
            EXPECT_EQ("msctls_progress32", call.barClass);
            EXPECT_EQ(0, call.barLow);
            EXPECT_EQ(100, call.barHigh);
        }
        EXPECT_FALSE(IsWindow(calls[0].window));
        EXPECT_EQ(0, shell_->releases);

        EXPECT_EQ(queue.fileCount, queue.currentIndex);
        for (size_t i = 0; i < c.files.size(); ++i) {
            const PackageFile& file = files_[i];
            EXPECT_EQ(nullptr, file.outputHandle) << i;
            EXPECT_EQ(file.decodedSize, file.bytesWritten) << i;
            std::string expected = c.files[i].hasHandle
                                       ? std::string(reinterpret_cast<const char*>(content_.data()), file.decodedSize)
                                       : std::string("(missing)");
            EXPECT_TRUE(expected == FileContent(file)) << i;
        }
        for (PackageFile& file : files_) DeleteFileA(file.fullPath);
    }
}

TEST_F(ProgressDialogTest, DialogThatCannotBeCreatedGivesMinusOneAndWritesNothing)
{
    // A class name beyond the template's limit is cut there, so the template
    // names a class that was never registered and no window can be made.
    std::string longClass(60, 'C');
    ExtractionQueue queue = MakeQueue({{1000, true}});
    EXPECT_EQ(-1, RunProgressDialog(&queue, longClass.c_str(), "Example Product", "MS Sans Serif"));
    EXPECT_EQ(-1, queue.currentIndex);
    EXPECT_EQ(0u, files_[0].bytesWritten);
    EXPECT_NE(nullptr, files_[0].outputHandle);
    EXPECT_TRUE(shell_->calls.empty());
}

struct CaptionCase {
    const char* name;
    std::string caption;
    std::wstring shown;
};

TEST_F(ProgressDialogTest, CaptionIsTheProductNameCutTo49Characters)
{
    std::string name49;
    for (int i = 0; i < 49; ++i) name49 += static_cast<char>('A' + i % 26);
    std::string name60 = name49 + "0123456789X";
    std::string name256(256, 'q');
    const CaptionCase cases[] = {
        {"49 characters", name49, std::wstring(name49.begin(), name49.end())},
        {"50 characters", name49 + "Z", std::wstring(name49.begin(), name49.end())},
        {"60 characters", name60, std::wstring(name49.begin(), name49.end())},
        {"a whole manifest field", name256, std::wstring(49, L'q')},
        {"empty", "", L""},
    };
    for (const CaptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        delete shell_;
        shell_ = new RecordingTaskbarList();
        taskbar_ = TaskbarProgress{shell_, nullptr, 0, 0, 0, 0};
        ExtractionQueue queue = MakeQueue({});
        EXPECT_EQ(1, RunProgressDialog(&queue, kClassName, c.caption.c_str(), "MS Sans Serif"));
        ASSERT_FALSE(shell_->calls.empty());
        EXPECT_EQ(c.shown, shell_->calls[0].caption);
        EXPECT_EQ(kClassName, shell_->calls[0].windowClass);
    }
}

TEST_F(ProgressDialogTest, CaptionIsConvertedFromTheAnsiCodePage)
{
    if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    ExtractionQueue queue = MakeQueue({});
    EXPECT_EQ(1, RunProgressDialog(&queue, kClassName, "Caf\xe9 M\xfcller \x80", "MS Sans Serif"));
    ASSERT_FALSE(shell_->calls.empty());
    EXPECT_EQ(L"Caf\u00e9 M\u00fcller \u20ac", shell_->calls[0].caption);
}

TEST_F(ProgressDialogTest, RunsAgainInTheSameProcessWithoutATaskbar)
{
    SetCurrentTaskbarProgress(nullptr);
    for (int run = 0; run < 2; ++run) {
        ExtractionQueue queue = MakeQueue({{600000, true}});
        EXPECT_EQ(1, RunProgressDialog(&queue, kClassName, "Example Product", "MS Sans Serif")) << run;
        EXPECT_EQ(600000u, files_[0].bytesWritten) << run;
    }
    EXPECT_TRUE(shell_->calls.empty());
}

}  // namespace
