#include <gtest/gtest.h>

#include "morvane/api/CId.h"
#include "morvane/api/IObject.h"

using morvane::CId;

TEST(CoreIds, TextFormRoundTrips)
{
    const CId id(L"{0AEA7BA7,57AD4F96,B863B4CF,AD05F98B}");
    EXPECT_EQ(id, CId(0x0AEA7BA7, 0x57AD4F96, 0xB863B4CF, 0xAD05F98B));
    EXPECT_EQ(id.ToString(), L"{0AEA7BA7,57AD4F96,B863B4CF,AD05F98B}");
    EXPECT_EQ(morvane::IObject::kIid.ToString(), L"{021E95ED,173F45B5,A6C3EC3F,B12B6A49}");
    EXPECT_EQ(CId(0, 1, 0xA, 0xFFFFFFFF).ToString(), L"{00000000,00000001,0000000A,FFFFFFFF}");
    EXPECT_EQ(CId("{0aea7ba7,57ad4f96,b863b4cf,ad05f98b}"), id);
}

TEST(CoreIds, ParsingFillsDigitSlotsInOrderAndSkipsEverythingElse)
{
    const CId partial(L"0aea7ba7-57ad");
    EXPECT_EQ(partial.w[0], 0x0AEA7BA7u);
    EXPECT_EQ(partial.w[1], 0x57AD0000u);
    EXPECT_EQ(partial.w[2], 0u);
    EXPECT_EQ(partial.w[3], 0u);
    EXPECT_EQ(CId(L"  g1 x2 "), CId(0x12000000, 0, 0, 0));
    // Digits beyond the 32nd are ignored.
    EXPECT_EQ(CId(L"11111111222222223333333344444444FFFF"), CId(0x11111111, 0x22222222, 0x33333333, 0x44444444));
    EXPECT_EQ(CId(L""), CId::Null());
    EXPECT_EQ(CId(static_cast<const wchar_t*>(nullptr)), CId::Null());
    // High bytes of narrow text are not digits.
    EXPECT_EQ(CId("\xE1" "1"), CId(0x10000000, 0, 0, 0));
}

TEST(CoreIds, OrderingIsUnsignedWordByWordFromTheFirst)
{
    const CId big(1, 0, 0, 0);
    const CId small(0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    EXPECT_TRUE(big > small);
    EXPECT_TRUE(small < big);
    EXPECT_TRUE(big >= small);
    EXPECT_FALSE(big <= small);
    EXPECT_TRUE(CId(0x80000000, 0, 0, 0) > CId(0x7FFFFFFF, 0, 0, 0));
    EXPECT_TRUE(CId(1, 2, 3, 4) < CId(1, 2, 3, 5));
    const CId same(1, 2, 3, 4);
    EXPECT_TRUE(same <= CId(1, 2, 3, 4));
    EXPECT_TRUE(same >= CId(1, 2, 3, 4));
    EXPECT_FALSE(same < CId(1, 2, 3, 4));
    EXPECT_FALSE(same > CId(1, 2, 3, 4));
    EXPECT_TRUE(same != CId(1, 2, 4, 3));
}
