// The settings record exchanged between the registry and the option pages, and the column
// layout record, whose bytes are the stored registry format shared with the shell extension.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "settings/ExceptionFolderList.h"

constexpr size_t kCommandTextChars = 1024; // 1023 characters and the NUL
constexpr size_t kColumnNameChars = 82;    // 81 characters and the NUL

#pragma pack(push, 1)
struct ColumnEntry {
    int32_t Visible;
    wchar_t Name[kColumnNameChars];
    int32_t Width;
    int32_t Sort;
    int32_t NoHide;
};
#pragma pack(pop)

static_assert(sizeof(wchar_t) == 2, "column names are stored as UTF-16");
static_assert(sizeof(ColumnEntry) == 180, "the stored column record is 180 bytes");
static_assert(offsetof(ColumnEntry, Visible) == 0, "stored layout");
static_assert(offsetof(ColumnEntry, Name) == 4, "stored layout");
static_assert(offsetof(ColumnEntry, Width) == 168, "stored layout");
static_assert(offsetof(ColumnEntry, Sort) == 172, "stored layout");
static_assert(offsetof(ColumnEntry, NoHide) == 176, "stored layout");

enum ColumnSort : int32_t { kSortNone = 0, kSortAscending = 1, kSortDescending = 2 };

// Lives for one load or one save; the lock is held by each for its whole run.
struct Options {
    Options();
    ~Options();
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;

    CRITICAL_SECTION lock;
    int32_t OptionInitialized = 0;
    int32_t HideCommandBar = 0;
    int32_t HCBHeight = 0;
    int32_t ShowCMDBarALTKey = 0;
    int32_t ShowCMDBarWheel = 0;
    int32_t PreventDrag = 0;
    int32_t PreventDragType = 0;
    int32_t CtrlRetCmd = 0;
    int32_t CtrlRetCmdAdmin = 0;
    int32_t TaskbarSimpleName = 0;
    int32_t TaskbarRemoveSuffix = 0;
    int32_t NoLinesAtRoot = 0;
    int32_t NoFadeInOutArrow = 0;
    int32_t HasLines = 0;
    int32_t SelectFirstItem = 0;
    int32_t PCSelectDrive = 0;
    int32_t PCSelectDriveLetter = 0;
    int32_t ShiftRetCmd = 0;
    wchar_t ShiftRetCmdExeFile[kCommandTextChars] = {};
    wchar_t ShiftRetCmdExeFldr[kCommandTextChars] = {};
    wchar_t ShiftRetCmdArgFile[kCommandTextChars] = {};
    wchar_t ShiftRetCmdArgFldr[kCommandTextChars] = {};
    int32_t ViewMode = 0;
    int32_t ViewModeIndex = 0;
    ExceptionFolderList ViewModeEF;
    int32_t Column = 0;
    std::vector<ColumnEntry> ColumnEntries;
    ExceptionFolderList ColumnEF;

    // Appends one column; a null or empty name is refused. Names longer than 81 characters are
    // cut so that the record always keeps its terminator.
    void AddColumn(const wchar_t* name, int32_t visible, int32_t width, int32_t sort, int32_t noHide);
    // Replaces ColumnEntries with the built-in catalogue.
    void SetDefaultColumns();
};

// The built-in catalogue of columns and the two default exception lists.
struct DefaultColumn {
    const wchar_t* name;
    int32_t visible;
    int32_t width;
    int32_t sort;
    int32_t noHide;
};
extern const DefaultColumn kDefaultColumns[27];
extern const wchar_t* const kDefaultViewModeExceptions[7];
extern const wchar_t* const kDefaultColumnExceptions[13];
