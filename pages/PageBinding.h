// What the pages show and how their controls are tied to the options: set-up, load, save,
// the enable rules, the program picker and the release of the control wrappers.
#pragma once

#include <windows.h>

#include <cstddef>

#include "settings/Options.h"
#include "ui/ConvexLabelWnd.h"
#include "ui/FontLabelWnd.h"
#include "ui/ListView.h"
#include "ui/MultiEdit.h"
#include "ui/UrlLabelWnd.h"

constexpr size_t kProgramPathChars = 1024;

// The two exception lists as the program names them to users: in its messages and to screen readers.
inline constexpr wchar_t kViewModeExceptionsName[] = L"表示形式の例外フォルダ";
inline constexpr wchar_t kColumnExceptionsName[] = L"カラムヘッダの例外フォルダ";

extern CFontLabelWnd* generalHintLabel;
extern CMultiEdit* viewModeExceptionEdit;
extern CMultiEdit* columnExceptionEdit;
extern CListView* columnList;
extern CConvexLabelWnd* titleLabel;
extern CFontLabelWnd* versionLabel;
extern CUrlLabelWnd* mailLabel;
extern CUrlLabelWnd* webLabel;

enum class SaveResult {
    kSaved,
    kWriteFailed, // some values could not be written; the options stay marked as changed
    kRejected,    // input that cannot be stored was reported to the user; nothing was written
};

void InitializePage(HWND page);
void LoadOptionsIntoPages();
SaveResult SaveOptionsFromPages();
// Fills a record from the controls exactly as Update does; false, after telling the user which
// line cannot be stored, when the pages hold something that cannot be saved.
bool ReadOptionsFromPages(Options& options);
// The same record without the check: what the pages show, for a report that stores nothing.
void ReadPagesAsShown(Options& options);
// Shows a record that did not come from the registry (a backup, the defaults) as unsaved
// changes: the controls and the column table take its values, the enable rules run and Update
// is enabled. Nothing is written.
void ShowOptionsInPages(const Options& options);
void UpdateControlStates();
bool BrowseForProgram(wchar_t (&path)[kProgramPathChars]);
void OnPageDestroy(HWND page);
