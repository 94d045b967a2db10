#include "profiles/StoredProfile.h"

#include "base/RecordNames.h"
#include "base/ZeroRuns.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

namespace kestrin {
namespace {

std::vector<std::byte> Bytes(const ProfileRecord& record)
{
    std::vector<std::byte> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

// Records unlike what the packing counts on: nothing but zeros, no zeros at all, and runs of
// every short length (the packing keeps runs under three among the bytes) up to the last byte.
std::vector<std::unique_ptr<ProfileRecord>> Awkward()
{
    std::vector<std::unique_ptr<ProfileRecord>> records;
    records.push_back(std::make_unique<ProfileRecord>());
    records.push_back(std::make_unique_for_overwrite<ProfileRecord>());
    std::memset(records.back().get(), 0x5a, sizeof(ProfileRecord));
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        auto record = std::make_unique<ProfileRecord>();
        auto* bytes = reinterpret_cast<unsigned char*>(record.get());
        for (std::size_t at = 0; at < sizeof(ProfileRecord);) {
            const std::size_t zeros = random() % 6;
            const std::size_t kept = 1 + random() % 5;
            at += zeros;
            for (std::size_t k = 0; k < kept && at < sizeof(ProfileRecord); ++k)
                bytes[at++] = static_cast<unsigned char>(1 + random() % 255);
        }
        // The last bytes: a zero run of one, two or three, or none.
        std::memset(bytes + sizeof(ProfileRecord) - round, 0, static_cast<std::size_t>(round));
        records.push_back(std::move(record));
    }
    records.push_back(NewProfileRecord(u"Default"));
    return records;
}

TEST(StoredProfile, APackedProfileGivesBackEveryByteAndItsNameWithoutUnpacking)
{
    for (const auto& record : Awkward()) {
        const StoredProfile packed = StoredProfile::Packed(*record);
        ASSERT_TRUE(packed.IsPacked());
        EXPECT_EQ(0, std::memcmp(packed.NameField().data(), record->name, sizeof record->name));
        ProfileRecord out;
        std::memset(&out, 0xee, sizeof out);
        packed.CopyTo(out);
        EXPECT_EQ(Bytes(out), Bytes(*record));
        EXPECT_TRUE(packed.IsPacked()) << "neither the name nor a copy unpacks it";

        const StoredProfile copy = packed.PackedCopy();
        ASSERT_NE(copy.get(), nullptr);
        EXPECT_EQ(Bytes(*copy), Bytes(*record));
        EXPECT_TRUE(packed.IsPacked());
    }
}

TEST(StoredProfile, AnUnpackedProfileKeepsItsAddressAndItsEditsThroughMovesAndCopies)
{
    ProfileList list;
    list.push_back(StoredProfile::Packed(*NewProfileRecord(u"First")));
    ProfileRecord* first = list[0].get();
    WriteName(first->name, u"Edited");
    for (int i = 0; i < 100; ++i)
        list.push_back(NewProfileRecord(u"More"));
    list.erase(list.begin() + 1);

    EXPECT_EQ(list[0].get(), first) << "the page's pointer to the current profile stays good";
    EXPECT_EQ(ReadName(list[0].NameField()), u"Edited");
    EXPECT_EQ(ReadName(list[0].PackedCopy().NameField()), u"Edited");
    EXPECT_EQ(ReadName(list[0].PackedCopy()->name), u"Edited");
}

// The worker copies the list to save it while the UI thread reaches into a profile.
TEST(StoredProfile, ThreadsUnpackingAtOnceAllGetOneRecord)
{
    const auto record = NewProfileRecord(u"Shared");
    const StoredProfile packed = StoredProfile::Packed(*record);
    std::vector<ProfileRecord*> seen(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = packed.get(); });
    for (auto& thread : threads)
        thread.join();
    for (ProfileRecord* got : seen)
        EXPECT_EQ(got, seen[0]);
    EXPECT_EQ(Bytes(*seen[0]), Bytes(*record));
}

TEST(StoredProfile, AnUpdateThatChangesNothingLeavesThePackedFormAlone)
{
    StoredProfile packed = StoredProfile::Packed(*NewProfileRecord(u"Quiet"));
    EXPECT_FALSE(packed.Update([](ProfileRecord& record) {
        record.dpiX[0] = 7; // on a copy that is thrown away
        return false;
    }));
    EXPECT_TRUE(packed.IsPacked());
    EXPECT_NE(packed->dpiX[0], 7);

    StoredProfile changed = StoredProfile::Packed(*NewProfileRecord(u"Loud"));
    EXPECT_TRUE(changed.Update([](ProfileRecord& record) {
        record.dpiX[0] = 7;
        return true;
    }));
    EXPECT_FALSE(changed.IsPacked());
    EXPECT_EQ(changed->dpiX[0], 7);
}

TEST(ZeroRuns, AFormThatDoesNotGiveExactlyTheRecordIsRefused)
{
    const auto record = NewProfileRecord(u"Whole");
    const auto whole = std::as_bytes(std::span<const ProfileRecord, 1>(record.get(), 1));
    const std::vector<std::byte> packed = PackZeroRuns(whole);
    EXPECT_LT(packed.size(), 2048u) << "what 200 profiles cost lies in this";
    std::vector<std::byte> out(whole.size());
    ASSERT_TRUE(UnpackZeroRuns(packed, out));

    // Short by its last step, cut inside a length, one byte too many, a length past the end.
    const std::vector<std::byte> cut(packed.begin(), packed.end() - 1);
    std::vector<std::byte> longer = packed;
    longer.push_back(std::byte{0x01});
    const std::vector<std::byte> endless{std::byte{0xff}, std::byte{0xff}, std::byte{0xff}};
    const std::vector<std::byte> tooMany{std::byte{0x80}, std::byte{0x80}, std::byte{0x10}};
    for (const auto& bad : {cut, longer, endless, tooMany}) {
        std::fill(out.begin(), out.end(), std::byte{0x33});
        EXPECT_FALSE(UnpackZeroRuns(bad, out));
        EXPECT_TRUE(
            std::all_of(out.begin(), out.end(), [](std::byte b) { return b == std::byte{0}; }));
    }
}

} // namespace
} // namespace kestrin
