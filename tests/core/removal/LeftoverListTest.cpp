// The leftover list every scan appends to and the removal works through.
#include <gtest/gtest.h>

#include "core/removal/ValueContentUnit.h"

using namespace ku;

TEST(LeftoverList, AddItemAppendsEmptyItemsInOrder) {
    TUninstallerContents list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.AddItem(), 0);
    EXPECT_EQ(list.AddItem(), 1);
    const TContent& fresh = list.GetItem(1).Content;
    for (const std::string* field :
         {&fresh.RootKeyName, &fresh.KeyPath, &fresh.ValueName, &fresh.ValueData, &fresh.ItemType,
          &fresh.Extra, &fresh.FileName, &fresh.FilePath, &fresh.ComponentPath})
        EXPECT_EQ(*field, "");
    TContent& first = list.GetItem(0).Content;
    first.ItemType = kItemRegistryValue;
    first.ValueName = "Run me";
    // Items stay where they are while more are added.
    for (int i = 0; i < 1000; ++i)
        list.AddItem();
    EXPECT_EQ(first.ValueName, "Run me");
    EXPECT_EQ(list.GetItem(0).Content.ItemType, "2");
    EXPECT_EQ(list.Count(), 1002);
    EXPECT_THROW(list.GetItem(list.Count()), std::out_of_range);
    EXPECT_THROW(list.GetItem(-1), std::out_of_range);
}
