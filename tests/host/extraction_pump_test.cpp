// The extraction pump's steps, as (result, percentage) sequences, on memory
// files that can fail a write on demand.
#include <gtest/gtest.h>

#include <string.h>

#include <utility>
#include <vector>

#include "package/extraction_pump.h"

namespace {

typedef std::vector<std::pair<DWORD, int>> Steps;

struct FileSpec {
    DWORD size;
    bool withHandle;
};

// A queue over files with the given sizes; every byte of file i is 'a' + i,
// so a byte written twice or misplaced shows.
struct TestQueue {
    explicit TestQueue(const std::vector<FileSpec>& specs)
    {
        files.resize(specs.size());
        for (size_t i = 0; i < specs.size(); ++i) {
            memset(&files[i], 0, sizeof(PackageFile));
            content.emplace_back(specs[i].size, static_cast<BYTE>('a' + i));
            for (DWORD k = 0; k < specs[i].size; k += 4096) content[i][k] = static_cast<BYTE>(k / 4096);
            files[i].decodedBytes = content[i].data();
            files[i].decodedSize = specs[i].size;
            if (specs[i].withHandle) files[i].outputHandle = handles.emplace_back(HostCreateMemoryFile());
            else handles.push_back(nullptr);
        }
        memset(&queue, 0, sizeof(queue));
        queue.files = files.empty() ? nullptr : files.data();
        queue.fileCount = static_cast<int>(files.size());
        queue.currentIndex = -1;
        queue.chunkSize = kExtractionChunkSize;
    }
    ~TestQueue()
    {
        for (HANDLE h : handles) {
            if (h) HostFreeMemoryFile(h);
        }
    }
    Steps Run(size_t limit = 1000)
    {
        Steps steps;
        for (size_t i = 0; i < limit; ++i) {
            int percent = -1;
            DWORD result = ExtractionStep(&queue, &percent);
            steps.emplace_back(result, percent);
            if (result == 0) break;
        }
        return steps;
    }
    bool Written(size_t i)
    {
        size_t size = 0;
        const BYTE* data = HostMemoryFileData(handles[i], &size);
        return size == content[i].size() && (size == 0 || memcmp(data, content[i].data(), size) == 0);
    }

    std::vector<std::vector<BYTE>> content;
    std::vector<PackageFile> files;
    std::vector<HANDLE> handles;
    ExtractionQueue queue;
};

Steps Writes(std::initializer_list<int> percents)
{
    Steps steps;
    for (int p : percents) steps.emplace_back(ERROR_MORE_DATA, p);
    return steps;
}

Steps operator+(Steps a, const Steps& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Steps kDone = {{0, 100}};

TEST(ExtractionStep, Sequences)
{
    struct Case {
        const char* what;
        std::vector<FileSpec> files;
        Steps steps;
    };
    const Case cases[] = {
        {"no files", {}, kDone},
        {"one file of 1,048,576 bytes", {{1048576, true}}, Writes({0, 50, 100}) + kDone},
        {"one file of 524,289 bytes", {{524289, true}}, Writes({0, 99, 100}) + kDone},
        {"a zero-size file is closed without a write", {{0, true}}, Writes({0}) + kDone},
        {"first file has no handle: passed over", {{1000, false}, {2000, true}}, Writes({0, 0, 100}) + kDone},
        {"every file already there", {{10, false}, {20, false}}, Writes({0, 0}) + kDone},
        {"two files, the bar falls back to 0", {{600000, true}, {10, true}}, Writes({0, 87, 100, 0, 100}) + kDone},
    };
    for (const Case& c : cases) {
        TestQueue q(c.files);
        EXPECT_EQ(q.Run(), c.steps) << c.what;
        EXPECT_EQ(q.queue.currentIndex, q.queue.fileCount) << c.what;
        for (size_t i = 0; i < c.files.size(); ++i) {
            EXPECT_EQ(q.files[i].outputHandle, nullptr) << c.what;
            if (c.files[i].withHandle) {
                EXPECT_TRUE(HostMemoryFileClosed(q.handles[i])) << c.what;
                EXPECT_TRUE(q.Written(i)) << c.what;
            }
        }
    }
}

TEST(ExtractionStep, PercentIsTruncatedInDoublePrecision)
{
    TestQueue q({{52428800, true}});
    Steps steps = q.Run();
    ASSERT_GT(steps.size(), 30u);
    EXPECT_EQ(steps[29], std::make_pair(static_cast<DWORD>(ERROR_MORE_DATA), 28)) << "after the 29th chunk";
    EXPECT_EQ(steps.size(), 1 + 100 + 1u);
    EXPECT_TRUE(q.Written(0));
}

TEST(ExtractionStep, FailedWriteIsRetriedWithoutWritingTwice)
{
    TestQueue q({{524288, true}, {300, true}});
    EXPECT_EQ(ExtractionStep(&q.queue, nullptr), static_cast<DWORD>(ERROR_MORE_DATA));
    HostMemoryFileFailAfter(q.handles[0], 1000);
    int percent = -1;
    EXPECT_EQ(ExtractionStep(&q.queue, &percent), static_cast<DWORD>(ERROR_WRITE_FAULT));
    EXPECT_EQ(percent, 0) << "1,000 of 524,288 bytes";
    EXPECT_EQ(q.files[0].bytesWritten, 1000u);

    // Still failing: nothing more reaches the file, the position stays.
    HostMemoryFileFailAfter(q.handles[0], 0);
    EXPECT_EQ(ExtractionStep(&q.queue, &percent), static_cast<DWORD>(ERROR_WRITE_FAULT));
    EXPECT_EQ(q.files[0].bytesWritten, 1000u);

    // Retry after space was freed: the rest, starting 1,000 bytes further on.
    HostMemoryFileFailAfter(q.handles[0], -1);
    EXPECT_EQ(q.Run(), Writes({100, 0, 100}) + kDone);
    EXPECT_TRUE(q.Written(0));
    EXPECT_TRUE(q.Written(1));
    EXPECT_EQ(HostMemoryFileWrites(q.handles[0]), 3u);
}

TEST(ExtractionStep, NoPercentPointer)
{
    TestQueue q({{5, true}});
    EXPECT_EQ(ExtractionStep(&q.queue, nullptr), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(ExtractionStep(&q.queue, nullptr), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(ExtractionStep(&q.queue, nullptr), 0u);
    EXPECT_TRUE(q.Written(0));
}

}  // namespace
