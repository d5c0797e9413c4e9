// The output files on a real file system and registry: creation in the
// product's folder, files already there, the installed check in both registry
// views, and the clean-up matrix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/extraction_folder.h"

namespace {

const char kProduct[] = "{5B0E8C61-3F7A-4D29-9E41-C2A7B6D8F013}";

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof(folder));
    return folder;
}

std::string ReadAll(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) text.append(chunk, read);
    CloseHandle(file);
    return text;
}

void WriteAll(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Registers or unregisters the product in one registry view.
void SetRegistered(bool registered, DWORD is64)
{
    std::string key = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
    REGSAM view = is64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    if (!registered) {
        HKEY parent = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                          KEY_ALL_ACCESS | view, &parent) == ERROR_SUCCESS) {
            RegDeleteKeyA(parent, kProduct);
            RegCloseKey(parent);
        }
        return;
    }
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &handle,
                              nullptr),
              ERROR_SUCCESS);
    const char value[] = "MsiExec.exe /X{5B0E8C61-3F7A-4D29-9E41-C2A7B6D8F013}";
    RegSetValueExA(handle, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value));
    RegCloseKey(handle);
}

// A run whose selection chose kProduct with two files; the decoded bytes are
// local-heap copies as the selection would hand them out.
struct TestRun {
    TestRun(const std::vector<std::pair<std::string, std::string>>& files)
    {
        run = new RunState();
        state = LauncherState();
        run->installerExitCode = ERROR_INSTALL_SERVICE_FAILURE;
        strcpy(run->selection.productCode, kProduct);
        strcpy(run->string102, "Select a folder where you want to extract the installation files:");
        run->queue.currentIndex = -1;
        run->queue.chunkSize = kExtractionChunkSize;
        run->queue.fileCount = static_cast<int>(files.size());
        run->queue.files = static_cast<PackageFile*>(LocalAlloc(LPTR, files.size() * sizeof(PackageFile)));
        for (size_t i = 0; i < files.size(); ++i) {
            PackageFile* file = &run->queue.files[i];
            strcpy(file->name, files[i].first.c_str());
            file->decodedSize = static_cast<DWORD>(files[i].second.size());
            file->decodedBytes = static_cast<BYTE*>(LocalAlloc(LPTR, file->decodedSize + 1));
            memcpy(file->decodedBytes, files[i].second.data(), file->decodedSize);
        }
    }
    ~TestRun() { delete run; }
    // Writes every file with an open handle, as the pump would.
    void WriteFiles()
    {
        for (int i = 0; i < run->queue.fileCount; ++i) {
            PackageFile* file = &run->queue.files[i];
            if (file->outputHandle == nullptr) continue;
            DWORD written = 0;
            WriteFile(file->outputHandle, file->decodedBytes, file->decodedSize, &written, nullptr);
            CloseHandle(file->outputHandle);
            file->outputHandle = nullptr;
        }
    }
    RunState* run;
    LauncherState state;
};

class ExtractionFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = WindowsFolder() + "\\Installer\\" + kProduct;
        Clear();
    }
    void TearDown() override { Clear(); }
    void Clear()
    {
        DeleteFileA((folder_ + "\\main.msi").c_str());
        DeleteFileA((folder_ + "\\data1.cab").c_str());
        RemoveDirectoryA(folder_.c_str());
        SetRegistered(false, 0);
        SetRegistered(false, 1);
    }
    std::string folder_;
};

TEST_F(ExtractionFolderTest, FilesGoToTheProductFolderUnderInstaller)
{
    TestRun t({{"main.msi", "the package"}, {"data1.cab", "the cabinet"}});
    StatusPair status = PrepareOutputFiles(t.run, &t.state);
    EXPECT_EQ(status.code, 0u);
    EXPECT_EQ(std::string(t.run->extractionFolder), folder_);
    EXPECT_EQ(std::string(t.run->queue.files[0].fullPath), folder_ + "\\main.msi");
    EXPECT_NE(t.run->queue.files[0].outputHandle, nullptr);
    EXPECT_NE(t.run->queue.files[1].outputHandle, nullptr);
    t.WriteFiles();
    EXPECT_EQ(ReadAll(folder_ + "\\main.msi"), "the package");
    EXPECT_EQ(ReadAll(folder_ + "\\data1.cab"), "the cabinet");
    RemoveExtractedFiles(t.run, &t.state);
    EXPECT_FALSE(PathExists(folder_.c_str())) << "installer never ran: everything goes";
}

TEST_F(ExtractionFolderTest, FilesAlreadyThere)
{
    CreateDirectoryA(folder_.c_str(), nullptr);
    WriteAll(folder_ + "\\main.msi", "the package");      // an earlier run's, same bytes
    WriteAll(folder_ + "\\data1.cab", "planted cabinet");  // not the package's own
    TestRun t({{"main.msi", "the package"}, {"data1.cab", "the cabinet"}});
    EXPECT_EQ(PrepareOutputFiles(t.run, &t.state).code, 0u);
    EXPECT_EQ(t.run->queue.files[0].outputHandle, nullptr) << "equal: used as it is";
    EXPECT_NE(t.run->queue.files[1].outputHandle, nullptr) << "different: created anew";
    t.WriteFiles();
    EXPECT_EQ(ReadAll(folder_ + "\\data1.cab"), "the cabinet");
    RemoveExtractedFiles(t.run, &t.state);
    EXPECT_FALSE(PathExists((folder_ + "\\main.msi").c_str())) << "cleaned up like the others";
    EXPECT_FALSE(PathExists(folder_.c_str()));
}

TEST_F(ExtractionFolderTest, SameNameTwice)
{
    TestRun t({{"main.msi", "m"}, {"a.cab", "first"}, {"A.CAB", "second"}});
    EXPECT_EQ(PrepareOutputFiles(t.run, &t.state).code, 0u);
    EXPECT_NE(t.run->queue.files[1].outputHandle, nullptr);
    EXPECT_EQ(t.run->queue.files[2].outputHandle, nullptr) << "the second finds the first and is not written";
    t.WriteFiles();
    EXPECT_EQ(ReadAll(folder_ + "\\a.cab"), "first");
    RemoveExtractedFiles(t.run, &t.state);
    EXPECT_FALSE(PathExists(folder_.c_str()));
}

TEST_F(ExtractionFolderTest, WrittenFilesAreHeldUnchanged)
{
    TestRun t({{"main.msi", "the package"}, {"data1.cab", "the cabinet"}});
    ASSERT_EQ(PrepareOutputFiles(t.run, &t.state).code, 0u);
    t.WriteFiles();
    ASSERT_EQ(LockOutputFiles(t.run).code, 0u);
    for (const char* name : {"\\main.msi", "\\data1.cab"}) {
        std::string path = folder_ + name;
        HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "no one writes " << name;
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        EXPECT_FALSE(DeleteFileA(path.c_str())) << "no one deletes " << name;
        EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".old").c_str())) << "no one renames " << name;
        HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "the installer reads " << name;
        if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    }
    RemoveExtractedFiles(t.run, &t.state);
    EXPECT_FALSE(PathExists(folder_.c_str())) << "the clean-up lets go before it deletes";
}

TEST_F(ExtractionFolderTest, FileChangedBeforeTheLockIsRefused)
{
    TestRun t({{"main.msi", "the package"}, {"data1.cab", "the cabinet"}});
    ASSERT_EQ(PrepareOutputFiles(t.run, &t.state).code, 0u);
    t.WriteFiles();
    WriteAll(folder_ + "\\data1.cab", "swapped in");
    StatusPair status = LockOutputFiles(t.run);
    EXPECT_EQ(status.code, static_cast<DWORD>(ERROR_FILE_CORRUPT));
    EXPECT_EQ(status.line, 2285u);
    std::string text = t.run->messageText;
    EXPECT_NE(text.find("(" + folder_ + "\\data1.cab)."), std::string::npos) << text;
    RemoveExtractedFiles(t.run, &t.state);
    EXPECT_FALSE(PathExists(folder_.c_str()));
}

TEST_F(ExtractionFolderTest, InstalledCheckReadsItsOwnView)
{
    SetRegistered(true, 1);
    EXPECT_TRUE(IsProductInstalled(kProduct, 1));
    EXPECT_FALSE(IsProductInstalled(kProduct, 0)) << "the 32-bit view has no such key";
    SetRegistered(false, 1);
    SetRegistered(true, 0);
    EXPECT_TRUE(IsProductInstalled(kProduct, 0));
    EXPECT_FALSE(IsProductInstalled(kProduct, 1));
    EXPECT_FALSE(IsProductInstalled("{00000000-0000-0000-0000-000000000000}", 0));
    EXPECT_FALSE(IsProductInstalled(std::string(300, 'x').c_str(), 0)) << "a key name too long is no product";
}

TEST_F(ExtractionFolderTest, CleanUpMatrix)
{
    struct Case {
        DWORD exitCode;
        bool registered;
        bool filesStay;
        bool folderStays;
    };
    const Case cases[] = {
        {0, true, true, true},
        {3010, true, true, true},
        {1603, false, false, false},
        {ERROR_INSTALL_SERVICE_FAILURE, false, false, false},
        {0, false, true, true},
    };
    for (const Case& c : cases) {
        Clear();
        TestRun t({{"main.msi", "the package"}, {"data1.cab", "the cabinet"}});
        ASSERT_EQ(PrepareOutputFiles(t.run, &t.state).code, 0u);
        t.WriteFiles();
        t.run->installerExitCode = c.exitCode;
        SetRegistered(c.registered, t.state.is64);
        RemoveExtractedFiles(t.run, &t.state);
        EXPECT_EQ(PathExists((folder_ + "\\main.msi").c_str()), c.filesStay) << c.exitCode << " " << c.registered;
        EXPECT_EQ(PathExists((folder_ + "\\data1.cab").c_str()), c.filesStay) << c.exitCode << " " << c.registered;
        EXPECT_EQ(PathExists(folder_.c_str()), c.folderStays) << c.exitCode << " " << c.registered;
        EXPECT_EQ(t.run->queue.files, nullptr);
    }
}

TEST(PathExists, WildcardsAreNoPatterns)
{
    std::string windows = WindowsFolder();
    EXPECT_TRUE(PathExists(windows.c_str()));
    EXPECT_FALSE(PathExists((windows + "\\*").c_str()));
    EXPECT_FALSE(PathExists((windows + "\\system3?").c_str()));
    EXPECT_FALSE(PathExists(""));
}

}  // namespace
