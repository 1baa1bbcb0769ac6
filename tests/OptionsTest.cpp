#include <gtest/gtest.h>

#include <algorithm>

#include "settings/Options.h"

TEST(OptionsRecord, AddColumnRefusesEmptyNamesAndCutsLongOnes) {
    Options options;
    options.AddColumn(nullptr, 1, 100, 0, 0);
    options.AddColumn(L"", 1, 100, 0, 0);
    EXPECT_TRUE(options.ColumnEntries.empty());

    const std::wstring longName(120, L'x');
    options.AddColumn(longName.c_str(), 1, 100, 0, 0);
    ASSERT_EQ(1u, options.ColumnEntries.size());
    EXPECT_EQ(std::wstring(81, L'x'), options.ColumnEntries[0].Name);
    EXPECT_EQ(100, options.ColumnEntries[0].Width);
}

TEST(OptionsRecord, DefaultColumnsReplaceWhatWasThere) {
    Options options;
    options.AddColumn(L"extra", 1, 1, 0, 0);
    options.SetDefaultColumns();
    ASSERT_EQ(27u, options.ColumnEntries.size());
    EXPECT_STREQ(L"名前", options.ColumnEntries[0].Name);
    EXPECT_STREQ(L"評価", options.ColumnEntries[26].Name);
    EXPECT_EQ(99, options.ColumnEntries[26].Width);
    for (size_t i = 1; i < options.ColumnEntries.size(); ++i) {
        EXPECT_EQ(0, options.ColumnEntries[i].NoHide) << i;
        EXPECT_EQ(0, options.ColumnEntries[i].Sort) << i;
    }
    EXPECT_EQ(1, options.ColumnEntries[0].NoHide);
    EXPECT_EQ(1, options.ColumnEntries[0].Sort);
    EXPECT_EQ(4, std::count_if(options.ColumnEntries.begin(), options.ColumnEntries.end(),
                               [](const ColumnEntry& c) { return c.Visible == 1; }));
}

TEST(ExceptionFolderListTest, KeepsOrderAndDuplicatesAndRefusesWhatCannotBeStored) {
    ExceptionFolderList list;
    EXPECT_TRUE(list.Append(L"PC"));
    EXPECT_TRUE(list.Append(L"C:\\Windows\\Fonts"));
    EXPECT_TRUE(list.Append(L"PC"));
    EXPECT_FALSE(list.Append(L""));
    EXPECT_FALSE(list.Append(nullptr));
    EXPECT_TRUE(list.Append(std::wstring(259, L'a').c_str()));
    EXPECT_FALSE(list.Append(std::wstring(260, L'a').c_str()));
    ASSERT_EQ(4u, list.Count());
    EXPECT_STREQ(L"PC", list.At(0));
    EXPECT_STREQ(L"C:\\Windows\\Fonts", list.At(1));
    EXPECT_STREQ(L"PC", list.At(2));
}
