#include "settings/Options.h"

#include <cstring>
#include <cwchar>

const DefaultColumn kDefaultColumns[27] = {
    {L"名前", 1, 240, kSortAscending, 1},
    {L"更新日時", 1, 120, kSortNone, 0},
    {L"種類", 1, 135, kSortNone, 0},
    {L"サイズ", 1, 110, kSortNone, 0},
    {L"アクセス日時", 0, 120, kSortNone, 0},
    {L"作成日時", 0, 120, kSortNone, 0},
    {L"属性", 0, 72, kSortNone, 0},
    {L"ファイル拡張子", 0, 90, kSortNone, 0},
    {L"共有", 0, 90, kSortNone, 0},
    {L"共有ユーザー", 0, 135, kSortNone, 0},
    {L"製品名", 0, 135, kSortNone, 0},
    {L"製品バージョン", 0, 135, kSortNone, 0},
    {L"ファイル バージョン", 0, 135, kSortNone, 0},
    {L"ファイルの説明", 0, 135, kSortNone, 0},
    {L"会社", 0, 90, kSortNone, 0},
    {L"説明", 0, 135, kSortNone, 0},
    {L"著作権", 0, 135, kSortNone, 0},
    {L"商標", 0, 135, kSortNone, 0},
    {L"コメント", 0, 135, kSortNone, 0},
    {L"コンピュータ", 0, 135, kSortNone, 0},
    {L"分類", 0, 90, kSortNone, 0},
    {L"フォルダ", 0, 180, kSortNone, 0},
    {L"フォルダのパス", 0, 180, kSortNone, 0},
    {L"フォルダ名", 0, 90, kSortNone, 0},
    {L"タグ", 0, 90, kSortNone, 0},
    {L"大きさ", 0, 90, kSortNone, 0},
    {L"評価", 0, 99, kSortNone, 0},
};

const wchar_t* const kDefaultViewModeExceptions[7] = {
    L"PC",           L"コントロール パネル*", L"すべてのコントロール パネル項目*", L"ホーム", L"ギャラリー",
    L"ネットワーク", L"C:\\Windows\\Fonts",
};

const wchar_t* const kDefaultColumnExceptions[13] = {
    L"PC",
    L"コントロール パネル*",
    L"すべてのコントロール パネル項目*",
    L"クイック アクセス",
    L"ダウンロード",
    L"ホーム",
    L"ギャラリー",
    L"ミュージック*",
    L"ライブラリ*",
    L"ネットワーク",
    L"検索場所:*",
    L"ごみ箱",
    L"C:\\Windows\\Fonts",
};

Options::Options() {
    InitializeCriticalSection(&lock);
}

Options::~Options() {
    DeleteCriticalSection(&lock);
}

void Options::AddColumn(const wchar_t* name, int32_t visible, int32_t width, int32_t sort, int32_t noHide) {
    if (name == nullptr || name[0] == L'\0') {
        return;
    }
    ColumnEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    const size_t length = wcsnlen(name, kColumnNameChars - 1);
    std::wmemcpy(entry.Name, name, length);
    entry.Visible = visible;
    entry.Width = width;
    entry.Sort = sort;
    entry.NoHide = noHide;
    ColumnEntries.push_back(entry);
}

void Options::SetDefaultColumns() {
    ColumnEntries.clear();
    for (const DefaultColumn& column : kDefaultColumns) {
        AddColumn(column.name, column.visible, column.width, column.sort, column.noHide);
    }
}
