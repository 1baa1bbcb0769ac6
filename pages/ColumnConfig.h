// The column list of the List view 2 page and the Column edit dialog.
#pragma once

#include <windows.h>

#include <vector>

#include "settings/Options.h"

enum class RowMode { kInsert, kUpdate };

extern ColumnEntry* editedColumn;

// Attaches the list wrapper to control 1055 and sets up its columns and styles.
void SetUpColumnList(HWND page);
// Rebuilds every row from the working column table.
void FillColumnList(HWND list);
// Selects and focuses the first row and scrolls it into view, as the window starts.
void SelectFirstColumnRow(HWND list);
void ShowColumnRow(HWND list, int entryIndex, RowMode mode);
void OnColumnListNotify(const NMHDR* header);
// Runs the Column edit dialog for the selected row; true when it was accepted.
bool EditSelectedColumn(HWND page);
INT_PTR CALLBACK ColumnEditDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// The entries in row order, byte copies of the working table's entries.
void ReadColumnsFromList(HWND list, std::vector<ColumnEntry>& columns);
