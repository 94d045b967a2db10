#include "base/SafeFile.h"

#include "base/Trace.h"
#include "tests/support/FailingFileCalls.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

using test::FilesStartingWith;
using test::ReadBytes;
using test::WriteBytes;

std::vector<unsigned char> Pattern(std::size_t size, unsigned seed)
{
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((i * 31 + seed) % 251);
    return bytes;
}

SaveResult Save(const fs::path& path, const std::vector<unsigned char>& bytes,
    Replace replace = Replace::Existing)
{
    // Two runs, so that a failure can fall between them.
    const auto all = std::as_bytes(std::span(bytes));
    const ByteRun runs[] = {all.first(bytes.size() / 2), all.subspan(bytes.size() / 2)};
    return WriteFileSafely(path.string(), runs, replace);
}

class SafeFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        previousSink = SetTraceSink([this](std::string_view line) { trace += line; });
        WriteBytes(file, old);
    }
    void TearDown() override { SetTraceSink(previousSink); }

    void ExpectOldFileWhole()
    {
        EXPECT_EQ(ReadBytes(file), old);
        EXPECT_TRUE(FilesStartingWith(folder.Root(), ".store").empty()) << "temporary file left";
    }

    test::TempFolder folder;
    fs::path file = folder.Root() / "store";
    std::vector<unsigned char> old = Pattern(100000, 1);
    std::vector<unsigned char> fresh = Pattern(120000, 7);
    TraceSink previousSink;
    std::string trace;
};

TEST_F(SafeFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(Save(file, fresh).ok());
    EXPECT_EQ(ReadBytes(file), fresh);
    EXPECT_TRUE(FilesStartingWith(folder.Root(), ".store").empty());

    ASSERT_TRUE(Save(file, {}).ok());
    EXPECT_TRUE(ReadBytes(file).empty());
}

TEST_F(SafeFileTest, AWriteThatFailsMidwayKeepsTheOldFileByteForByte)
{
    for (std::size_t budget :
        {std::size_t{0}, std::size_t{1}, std::size_t{4096}, fresh.size() / 2, fresh.size() - 1}) {
        SCOPED_TRACE(budget);
        test::FailingWrites failing(budget);
        const SaveResult result = Save(file, fresh);
        EXPECT_EQ(result.code, FileError::WriteFailed);
        EXPECT_NE(result.error.find("No space left"), std::string::npos) << result.error;
        ExpectOldFileWhole();
    }
    EXPECT_NE(trace.find("save of"), std::string::npos) << "the failure reaches the trace";
}

TEST_F(SafeFileTest, AFailedFlushToDiskKeepsTheOldFile)
{
    test::FailingFsync failing;
    EXPECT_FALSE(Save(file, fresh).ok());
    ExpectOldFileWhole();
}

TEST_F(SafeFileTest, AReadOnlyFolderFailsAndKeepsTheOldFile)
{
    fs::permissions(folder.Root(), fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(folder.Root().c_str(), W_OK) == 0)
        GTEST_SKIP() << "permissions do not bind this user";
    EXPECT_FALSE(Save(file, fresh).ok());
    fs::permissions(folder.Root(), fs::perms::owner_all);
    ExpectOldFileWhole();
}

TEST_F(SafeFileTest, AFileInThePlaceOfTheFolderFailsTheSave)
{
    WriteBytes(folder.Root() / "Data", {1});
    const SaveResult result = Save(folder.Root() / "Data" / "ms_1" / "pro.data", fresh);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error.empty());
}

TEST_F(SafeFileTest, CreatesMissingFoldersAndNeverReplacesWhenAskedNotTo)
{
    const fs::path deep = folder.Root() / "a" / "b" / "new";
    ASSERT_TRUE(Save(deep, fresh, Replace::Never).ok());
    EXPECT_EQ(ReadBytes(deep), fresh);

    EXPECT_EQ(Save(file, fresh, Replace::Never).code, FileError::Exists);
    ExpectOldFileWhole();
    EXPECT_FALSE(SaveResult{}.ok()) << "a result nobody set is no success";
}

TEST_F(SafeFileTest, KeepsTheModeOfTheOldFileAndALinkStaysALink)
{
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = folder.Root() / "link";
    fs::create_symlink(file, link);

    ASSERT_TRUE(Save(link, fresh).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(file), fresh);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
} // namespace kestrin
