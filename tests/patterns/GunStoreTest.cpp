#include "patterns/GunStore.h"

#include "base/RecordNames.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;

namespace kestrin {
namespace {

using test::ReadBytes;
using test::WriteBytes;

constexpr std::size_t kGun = 476;

std::vector<unsigned char> GunBytes(const std::u16string& name, uint8_t shots, uint8_t fill)
{
    std::vector<unsigned char> bytes(kGun, fill);
    for (std::size_t i = 0; i < 50; ++i) {
        const char16_t unit = i < name.size() ? name[i] : u'\0';
        bytes[2 * i] = static_cast<unsigned char>(unit & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
    }
    bytes[100] = shots;
    // The shots themselves as the editor makes them; `fill` stays in their reserved words.
    for (std::size_t k = 0; k < 30; ++k) {
        const int32_t x = fill, y = -fill;
        const uint16_t delay = static_cast<uint16_t>(1 + fill);
        std::memcpy(bytes.data() + 116 + 12 * k, &x, 4);
        std::memcpy(bytes.data() + 120 + 12 * k, &y, 4);
        std::memcpy(bytes.data() + 126 + 12 * k, &delay, 2);
    }
    return bytes;
}

class GunStoreTest : public testing::Test {
protected:
    fs::path Store() const { return fs::path(folder.Data()) / "ms_1" / "gun.data"; }

    test::TempFolder folder;
    GunList list;
};

TEST_F(GunStoreTest, RecordsTravelByteForByte)
{
    auto written = GunBytes(u"AK", 30, 0x31);
    const auto second = GunBytes(std::u16string(49, u'L'), 1, 0x42);
    written.insert(written.end(), second.begin(), second.end());
    WriteBytes(Store(), written);

    EXPECT_FALSE(LoadGunStore(folder.Data(), list).Damaged());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(ReadName(list[1]->name), std::u16string(49, u'L'));
    ASSERT_TRUE(SaveGunStore(folder.Data(), list).ok());
    EXPECT_EQ(ReadBytes(Store()), written);
}

TEST_F(GunStoreTest, ShotCountsOutsideOneToThirtyGoToTheNearestValidOne)
{
    std::vector<unsigned char> bytes;
    char16_t name = u'a';
    for (uint8_t shots : {0, 31, 255, 1, 30}) {
        const auto record = GunBytes(std::u16string(1, name++), shots, 0);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    WriteBytes(Store(), bytes);
    const StoreLoadReport report = LoadGunStore(folder.Data(), list);
    EXPECT_EQ(report.repairedRecords, 3);
    ASSERT_EQ(list.size(), 5u);
    const int expected[] = {1, 30, 30, 1, 30};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(list[i]->shotCount, expected[i]) << i;
    EXPECT_EQ(list[0]->shots[29].x, 0) << "the shots themselves stay";
}

TEST_F(GunStoreTest, ShotsBeyondWhatTheMouseTakesAreHeldAndAreNoDamage)
{
    auto bytes = GunBytes(u"AK", 3, 0);
    const int32_t y = 1000, x = -5000;
    const uint16_t none = 0, longest = 40000;
    std::memcpy(bytes.data() + 120, &y, 4);
    std::memcpy(bytes.data() + 116 + 12, &x, 4);
    std::memcpy(bytes.data() + 126 + 12, &none, 2);
    std::memcpy(bytes.data() + 126 + 24, &longest, 2);
    WriteBytes(Store(), bytes);
    const StoreLoadReport report = LoadGunStore(folder.Data(), list);
    EXPECT_FALSE(report.Damaged());
    EXPECT_TRUE(report.copiedAsideTo.empty());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->shots[0].y, 999);
    EXPECT_EQ(list[0]->shots[1].x, -999);
    EXPECT_EQ(list[0]->shots[1].delay, 5);
    EXPECT_EQ(list[0]->shots[2].delay, kGunMaxDelay);
}

TEST_F(GunStoreTest, AnUnterminatedNameEndsInsideItsField)
{
    WriteBytes(Store(), GunBytes(std::u16string(50, u'Z'), 5, 0));
    EXPECT_EQ(LoadGunStore(folder.Data(), list).repairedRecords, 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(ReadName(list[0]->name), std::u16string(49, u'Z'));
}

TEST_F(GunStoreTest, CreateGunMakesAWholePatternAndSavesIt)
{
    GunRecord& gun = CreateGun(folder.Data(), list, u"Gun");
    EXPECT_EQ(ReadName(gun.name), u"Gun1");
    EXPECT_EQ(gun.shotCount, 30);
    for (const GunBullet& shot : gun.shots) {
        EXPECT_EQ(shot.x, 0);
        EXPECT_EQ(shot.y, 0);
        EXPECT_EQ(shot.delay, 5);
    }
    CreateGun(folder.Data(), list, u"Gun");
    const auto bytes = ReadBytes(Store());
    ASSERT_EQ(bytes.size(), 2 * kGun);
    EXPECT_EQ(bytes[kGun], 'G');
    EXPECT_EQ(bytes[kGun + 6], '2');
    EXPECT_EQ(bytes[kGun + 100], 30);
}

} // namespace
} // namespace kestrin
