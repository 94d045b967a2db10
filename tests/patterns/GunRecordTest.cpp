#include "patterns/GunRecord.h"

#include "base/RecordNames.h"
#include "tests/support/RawBytes.h"

#include <gtest/gtest.h>

namespace kestrin {
namespace {

using test::AllZero;
using test::ReadAt;

TEST(NewGunRecord, HasThirtyShotsOfZeroMoveAndFiveMilliseconds)
{
    const auto gun = NewGunRecord(u"AK");
    EXPECT_EQ(ReadName(gun->name), u"AK");
    EXPECT_EQ(ReadAt<uint8_t>(*gun, 100), 30);
    EXPECT_TRUE(AllZero(*gun, 101, 15));
    for (int k = 0; k < 30; ++k) {
        const std::size_t shot = 116 + 12 * k;
        EXPECT_EQ(ReadAt<int32_t>(*gun, shot + 0), 0);
        EXPECT_EQ(ReadAt<int32_t>(*gun, shot + 4), 0);
        EXPECT_EQ(ReadAt<uint16_t>(*gun, shot + 8), 0);
        EXPECT_EQ(ReadAt<uint16_t>(*gun, shot + 10), 5) << "shot " << k;
    }
}

TEST(NewGunRecord, KeepsFortyNineCharactersOfAName)
{
    const auto gun = NewGunRecord(std::u16string(60, u'r'));
    EXPECT_EQ(ReadName(gun->name).size(), 49u);
    EXPECT_EQ(gun->name[49], u'\0');
}

} // namespace
} // namespace kestrin
