#include "base/StoreFiles.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

using test::ReadBytes;
using test::WriteBytes;

TEST(StoreFiles, TheStoresLiveInTheirFolderOfTheDataFolder)
{
    EXPECT_EQ(ProfileStorePath("/d/Data/"), "/d/Data/ms_1/pro.data");
    EXPECT_EQ(MacroStorePath("/d/Data/"), "/d/Data/ms_1/macro.data");
    EXPECT_EQ(GunStorePath("/d/Data/"), "/d/Data/ms_1/gun.data");
}

TEST(StoreFiles, MovingAsideNeverOverwritesAnEarlierDamagedStore)
{
    test::TempFolder folder;
    const fs::path store = folder.Root() / "pro.data";
    // The names this second would give; an earlier broken store already holds the first.
    const std::string taken = BrokenName(store.string(), 1);
    WriteBytes(taken, {1});
    WriteBytes(store, {2, 2});

    const std::string aside = MoveAside(store.string());
    ASSERT_FALSE(aside.empty());
    EXPECT_FALSE(fs::exists(store));
    EXPECT_EQ(ReadBytes(aside), (std::vector<unsigned char>{2, 2}));
    EXPECT_EQ(ReadBytes(taken), (std::vector<unsigned char>{1}));

    const std::vector<unsigned char> bytes{3, 3, 3};
    const std::string copy = CopyAside(store.string(), std::as_bytes(std::span(bytes)));
    ASSERT_FALSE(copy.empty());
    EXPECT_NE(copy, aside);
    EXPECT_EQ(ReadBytes(copy), bytes);
    EXPECT_EQ(ReadBytes(aside), (std::vector<unsigned char>{2, 2}));
}

TEST(StoreFiles, ReadingTellsAMissingFileFromOneThatCannotBeRead)
{
    test::TempFolder folder;
    EXPECT_EQ(ReadWholeFile((folder.Root() / "none").string()).code, FileError::Missing);
    EXPECT_EQ(ReadWholeFile(folder.Root().string()).code, FileError::Unreadable);
    ASSERT_EQ(::mkfifo((folder.Root() / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile((folder.Root() / "fifo").string()).code, FileError::Unreadable)
        << "a pipe in the store's place must not hang the start";
}

TEST(StoreFiles, AFileReadInPiecesIsWholeAndMayNotGrowPastItsLimit)
{
    test::TempFolder folder;
    const fs::path file = folder.Root() / "store";
    std::vector<unsigned char> bytes(10000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    WriteBytes(file, bytes);

    FileReader reader(file.string(), 10050);
    std::vector<std::byte> piece(3000);
    std::vector<unsigned char> read;
    std::size_t got = 0;
    while ((got = reader.Read(piece)) > 0) {
        const auto* first = reinterpret_cast<const unsigned char*>(piece.data());
        read.insert(read.end(), first, first + got);
        if (got < piece.size())
            break;
    }
    EXPECT_TRUE(reader.Status().ok());
    EXPECT_EQ(read, bytes) << "only the last piece is short";
    const FileBytes again = reader.ReadAllFromStart();
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value.size(), bytes.size());

    // Grown by another program after the open, past what the reader takes.
    FileReader grown(file.string(), 10050);
    bytes.resize(10100, 1);
    WriteBytes(file, bytes);
    std::vector<std::byte> all(20000);
    grown.Read(all);
    EXPECT_EQ(grown.Status().code, FileError::Unreadable);
    EXPECT_EQ(ReadWholeFile(file.string(), 10050).code, FileError::Unreadable);
}

TEST(StoreFiles, TemporaryFilesOfInterruptedSavesGoAndNothingElse)
{
    test::TempFolder folder;
    const fs::path stores = folder.Root() / "Data" / "ms_1";
    const std::vector<std::string> leftovers{
        ".pro.data.tmp-a1B2c3", ".macro.data.tmp-x", ".gun.data.tmp-Q9"};
    const std::vector<std::string> kept{"pro.data", "pro.data.broken-20260101-000000",
        ".other.tmp-x", "notes.pro.data.tmp-1", ".pro.data.tmp"};
    for (const auto& name : leftovers)
        WriteBytes(stores / name, {1});
    for (const auto& name : kept)
        WriteBytes(stores / name, {2});

    EXPECT_EQ(RemoveStaleStoreTempFiles(folder.Data()), 3);
    for (const auto& name : leftovers)
        EXPECT_FALSE(fs::exists(stores / name)) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(fs::exists(stores / name)) << name;
    EXPECT_EQ(RemoveStaleStoreTempFiles((folder.Root() / "none/").string()), 0);
}

} // namespace
} // namespace kestrin
