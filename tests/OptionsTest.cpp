#include <gtest/gtest.h>

#include <iterator>

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

// The whole catalogue, row by row, in place of what was there.
TEST(OptionsRecord, DefaultColumnsReplaceWhatWasThere) {
    Options options;
    options.AddColumn(L"extra", 1, 1, 0, 0);
    options.SetDefaultColumns();
    const wchar_t* const names[] = {L"名前",
                                    L"更新日時",
                                    L"種類",
                                    L"サイズ",
                                    L"アクセス日時",
                                    L"作成日時",
                                    L"属性",
                                    L"ファイル拡張子",
                                    L"共有",
                                    L"共有ユーザー",
                                    L"製品名",
                                    L"製品バージョン",
                                    L"ファイル バージョン",
                                    L"ファイルの説明",
                                    L"会社",
                                    L"説明",
                                    L"著作権",
                                    L"商標",
                                    L"コメント",
                                    L"コンピュータ",
                                    L"分類",
                                    L"フォルダ",
                                    L"フォルダのパス",
                                    L"フォルダ名",
                                    L"タグ",
                                    L"大きさ",
                                    L"評価"};
    const int widths[] = {240, 120, 135, 110, 120, 120, 72, 90,  90,  135, 135, 135, 135, 135,
                          90,  135, 135, 135, 135, 135, 90, 180, 180, 90,  90,  90,  99};
    ASSERT_EQ(std::size(names), options.ColumnEntries.size());
    for (size_t i = 0; i < std::size(names); ++i) {
        const ColumnEntry& column = options.ColumnEntries[i];
        EXPECT_STREQ(names[i], column.Name) << i;
        EXPECT_EQ(widths[i], column.Width) << i;
        EXPECT_EQ(i < 4 ? 1 : 0, column.Visible) << i;
        EXPECT_EQ(i == 0 ? 1 : 0, column.Sort) << i;
        EXPECT_EQ(i == 0 ? 1 : 0, column.NoHide) << i;
    }
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
