#include "settings/OptionsStore.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

#include "settings/RegReader.h"
#include "settings/WindowsVersion.h"
#include "ui/Handles.h"

const wchar_t kOptionsKey[] = L"Software\\Travine11";

namespace {

struct NumberOption {
    const wchar_t* name;
    int32_t Options::*field;
    int32_t loadDefault;
};

struct TextOption {
    const wchar_t* name;
    wchar_t (Options::*field)[kCommandTextChars];
    const wchar_t* loadDefault;
};

// The options that the Windows 10 rule clears come first; the rule runs right after them.
const NumberOption kCommandBarNumbers[] = {
    {L"HideCommandBar", &Options::HideCommandBar, 0},
    {L"ShowCMDBarALTKey", &Options::ShowCMDBarALTKey, 0},
    {L"ShowCMDBarWheel", &Options::ShowCMDBarWheel, 0},
    {L"HCBHeight", &Options::HCBHeight, 0},
    {L"PreventDrag", &Options::PreventDrag, 0},
    {L"PreventDragType", &Options::PreventDragType, 2},
    {L"CtrlRetCmd", &Options::CtrlRetCmd, 0},
    {L"CtrlRetCmdAdmin", &Options::CtrlRetCmdAdmin, 0},
    {L"TaskbarSimpleName", &Options::TaskbarSimpleName, 0},
    {L"TaskbarRemoveSuffix", &Options::TaskbarRemoveSuffix, 0},
};

int32_t Options::*const kWindows11OnlyFields[] = {
    &Options::HideCommandBar,  &Options::HCBHeight,         &Options::ShowCMDBarALTKey,
    &Options::ShowCMDBarWheel, &Options::TaskbarSimpleName, &Options::TaskbarRemoveSuffix,
};

const NumberOption kOtherNumbers[] = {
    {L"NoLinesAtRoot", &Options::NoLinesAtRoot, 0},
    {L"NoFadeInOutArrow", &Options::NoFadeInOutArrow, 0},
    {L"HasLines", &Options::HasLines, 0},
    {L"SelectFirstItem", &Options::SelectFirstItem, 0},
    {L"PCSelectDrive", &Options::PCSelectDrive, 0},
    {L"PCSelectDriveLetter", &Options::PCSelectDriveLetter, 2},
    {L"ShiftRetCmd", &Options::ShiftRetCmd, 0},
};

const TextOption kTextOptions[] = {
    {L"ShiftRetCmdExeFile", &Options::ShiftRetCmdExeFile, L"%WINDIR%\\notepad.exe"},
    {L"ShiftRetCmdExeFldr", &Options::ShiftRetCmdExeFldr, L"%WINDIR%\\explorer.exe"},
    {L"ShiftRetCmdArgFile", &Options::ShiftRetCmdArgFile, L"%1"},
    {L"ShiftRetCmdArgFldr", &Options::ShiftRetCmdArgFldr, L"%1"},
};

const NumberOption kViewNumbers[] = {
    {L"ViewMode", &Options::ViewMode, 0},
    {L"ViewModeIndex", &Options::ViewModeIndex, 5},
};

const NumberOption kColumnNumber = {L"Column", &Options::Column, 0};

struct ListNames {
    const wchar_t* count;
    const wchar_t* prefix;
};
const ListNames kViewModeEFNames = {L"ViewModeEFNum", L"ViewModeEF_"};
const ListNames kColumnNames = {L"ColumnNum", L"Column_"};
const ListNames kColumnEFNames = {L"ColumnEFNum", L"ColumnEF_"};

// Counts up to this many are read index by index; above it, only the numbered values that
// exist in the key are read, which gives the same list without billions of failed lookups.
constexpr int32_t kDirectReadCount = 1024;

// "%s%d" of the prefix and the index: ViewModeEF_0, Column_26.
void FormatNumberedName(const wchar_t* prefix, int32_t index, wchar_t* out, size_t outChars) {
    swprintf(out, outChars, L"%ls%d", prefix, index);
}

bool ReadNumber(const wchar_t* name, int32_t* value) {
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    if (QueryRegValue(HKEY_CURRENT_USER, kOptionsKey, name, data, &size) != ERROR_SUCCESS ||
        size < sizeof(data)) {
        return false; // missing, or too short to be a number
    }
    std::memcpy(value, data, sizeof(*value));
    return true;
}

int32_t ReadNumberOr(const wchar_t* name, int32_t fallback) {
    int32_t value = fallback;
    return ReadNumber(name, &value) ? value : fallback;
}

// Reads a text into out (outChars units); the stored bytes need not hold a NUL.
bool ReadText(const wchar_t* name, wchar_t* out, size_t outChars) {
    DWORD size = static_cast<DWORD>(outChars * sizeof(wchar_t));
    if (QueryRegValue(HKEY_CURRENT_USER, kOptionsKey, name, out, &size) != ERROR_SUCCESS) {
        out[0] = L'\0';
        return false;
    }
    const size_t units = std::min<size_t>(size / sizeof(wchar_t), outChars - 1);
    out[units] = L'\0';
    return true;
}

void ReadNumbers(Options& options, const NumberOption* rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        options.*(rows[i].field) = ReadNumberOr(rows[i].name, rows[i].loadDefault);
    }
}

bool WriteNumbers(const Options& options, const NumberOption* rows, size_t count) {
    bool ok = true;
    for (size_t i = 0; i < count; ++i) {
        ok = WriteRegDword(rows[i].name, static_cast<DWORD>(options.*(rows[i].field))) && ok;
    }
    return ok;
}

// True when name is prefix followed by a decimal index as "%d" writes it, below count.
bool ParseNumberedName(const wchar_t* name, const wchar_t* prefix, int32_t count, int32_t* index) {
    const size_t prefixLength = wcslen(prefix);
    if (wcslen(name) <= prefixLength ||
        CompareStringOrdinal(name, static_cast<int>(prefixLength), prefix, static_cast<int>(prefixLength),
                             TRUE) != CSTR_EQUAL) {
        return false;
    }
    const wchar_t* digits = name + prefixLength;
    if (digits[0] == L'0' && digits[1] != L'\0') {
        return false;
    }
    long long value = 0;
    for (const wchar_t* p = digits; *p != L'\0'; ++p) {
        if (*p < L'0' || *p > L'9') {
            return false;
        }
        value = value * 10 + (*p - L'0');
        if (value >= count) {
            return false;
        }
    }
    *index = static_cast<int32_t>(value);
    return true;
}

// The indices whose numbered values the load looks at, in increasing order.
std::vector<int32_t> IndicesToRead(const wchar_t* prefix, int32_t count) {
    std::vector<int32_t> indices;
    if (count <= 0) {
        return indices;
    }
    if (count <= kDirectReadCount) {
        indices.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            indices[static_cast<size_t>(i)] = i;
        }
        return indices;
    }
    UniqueHkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return indices;
    }
    wchar_t name[256]; // registry value names are at most 16383 units, ours far shorter
    for (DWORD i = 0;; ++i) {
        DWORD nameChars = static_cast<DWORD>(std::size(name));
        const LSTATUS status =
            RegEnumValueW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS) {
            continue; // a name too long for the buffer cannot be one of ours
        }
        int32_t index = 0;
        if (ParseNumberedName(name, prefix, count, &index)) {
            indices.push_back(index);
        }
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

void ReadExceptionList(const ListNames& names, ExceptionFolderList& list) {
    int32_t count = 0;
    if (!ReadNumber(names.count, &count) || count <= 0) {
        return;
    }
    for (int32_t index : IndicesToRead(names.prefix, count)) {
        wchar_t valueName[64];
        FormatNumberedName(names.prefix, index, valueName, std::size(valueName));
        wchar_t entry[ExceptionFolderList::kMaxEntryChars + 1]; // 520 bytes
        ReadText(valueName, entry, std::size(entry));
        list.Append(entry); // empty entries are skipped
    }
}

void ReadColumns(Options& options) {
    const int32_t count = ReadNumberOr(kColumnNames.count, 0);
    for (int32_t index : IndicesToRead(kColumnNames.prefix, count)) {
        wchar_t valueName[64];
        FormatNumberedName(kColumnNames.prefix, index, valueName, std::size(valueName));
        ColumnEntry entry;
        std::memset(&entry, 0, sizeof(entry));
        DWORD size = sizeof(entry);
        QueryRegValue(HKEY_CURRENT_USER, kOptionsKey, valueName, &entry, &size);
        entry.Name[kColumnNameChars - 1] = L'\0';
        if (entry.Name[0] != L'\0') {
            options.ColumnEntries.push_back(entry);
        }
    }
}

bool WriteExceptionList(const ListNames& names, const ExceptionFolderList& list) {
    bool ok = WriteRegDword(names.count, static_cast<DWORD>(list.Count()));
    for (size_t i = 0; i < list.Count(); ++i) {
        wchar_t valueName[64];
        FormatNumberedName(names.prefix, static_cast<int32_t>(i), valueName, std::size(valueName));
        ok = WriteRegText(valueName, list.At(i)) && ok;
    }
    return ok;
}

bool WriteColumns(const std::vector<ColumnEntry>& columns) {
    bool ok = WriteRegDword(kColumnNames.count, static_cast<DWORD>(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        wchar_t valueName[64];
        FormatNumberedName(kColumnNames.prefix, static_cast<int32_t>(i), valueName, std::size(valueName));
        ok = WriteRegBinary(valueName, columns[i]) && ok;
    }
    return ok;
}

bool WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueHkey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

class RecordLock {
public:
    explicit RecordLock(Options& options) : m_lock(&options.lock) { EnterCriticalSection(m_lock); }
    ~RecordLock() { LeaveCriticalSection(m_lock); }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};

} // namespace

bool WriteRegDword(const wchar_t* name, DWORD value) {
    return WriteValue(name, REG_DWORD, &value, sizeof(value));
}

bool WriteRegText(const wchar_t* name, const wchar_t* text) {
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    if (bytes > kMaxValueBytes) {
        return false;
    }
    return WriteValue(name, REG_SZ, text, static_cast<DWORD>(bytes));
}

bool WriteRegBinary(const wchar_t* name, const ColumnEntry& entry) {
    return WriteValue(name, REG_BINARY, &entry, sizeof(entry));
}

void LoadOptions(Options& options) {
    RecordLock lock(options);

    int32_t initialized = 0;
    if (ReadNumber(L"OptionInitialized", &initialized)) {
        options.OptionInitialized = initialized;
    } else {
        options.OptionInitialized = 0;
    }
    if (options.OptionInitialized == 0) {
        WriteFirstRunDefaults(options);
    }

    ReadNumbers(options, kCommandBarNumbers, std::size(kCommandBarNumbers));
    if (!IsWindows11Build(ReadWindowsBuildNumber())) {
        for (int32_t Options::*field : kWindows11OnlyFields) {
            options.*field = 0;
        }
    }
    ReadNumbers(options, kOtherNumbers, std::size(kOtherNumbers));

    for (const TextOption& text : kTextOptions) {
        wchar_t* field = options.*(text.field);
        if (!ReadText(text.name, field, kCommandTextChars)) {
            wcsncpy(field, text.loadDefault, kCommandTextChars - 1);
            field[kCommandTextChars - 1] = L'\0';
        }
    }

    options.ViewModeEF.Clear();
    options.ColumnEntries.clear();
    options.ColumnEF.Clear();

    ReadNumbers(options, kViewNumbers, std::size(kViewNumbers));
    ReadExceptionList(kViewModeEFNames, options.ViewModeEF);
    ReadNumbers(options, &kColumnNumber, 1);
    ReadColumns(options);
    ReadExceptionList(kColumnEFNames, options.ColumnEF);
}

bool SaveOptions(Options& options) {
    RecordLock lock(options);

    bool ok = WriteNumbers(options, kCommandBarNumbers, std::size(kCommandBarNumbers));
    ok = WriteNumbers(options, kOtherNumbers, std::size(kOtherNumbers)) && ok;
    for (const TextOption& text : kTextOptions) {
        ok = WriteRegText(text.name, options.*(text.field)) && ok;
    }
    ok = WriteNumbers(options, kViewNumbers, std::size(kViewNumbers)) && ok;
    ok = WriteExceptionList(kViewModeEFNames, options.ViewModeEF) && ok;
    ok = WriteNumbers(options, &kColumnNumber, 1) && ok;
    ok = WriteColumns(options.ColumnEntries) && ok;
    ok = WriteExceptionList(kColumnEFNames, options.ColumnEF) && ok;
    // A saved key holds every value, so it is initialised: without this, a key recreated by a
    // save after the settings were removed would get the default lists written over the
    // user's lists at the next start.
    ok = WriteRegDword(L"OptionInitialized", 1) && ok;
    return ok;
}

void WriteFirstRunDefaults(Options& options) {
    WriteRegDword(L"OptionInitialized", 1);

    ExceptionFolderList viewModeDefaults;
    for (const wchar_t* entry : kDefaultViewModeExceptions) {
        viewModeDefaults.Append(entry);
    }
    WriteExceptionList(kViewModeEFNames, viewModeDefaults);

    ExceptionFolderList columnDefaults;
    for (const wchar_t* entry : kDefaultColumnExceptions) {
        columnDefaults.Append(entry);
    }
    WriteExceptionList(kColumnEFNames, columnDefaults);

    options.SetDefaultColumns();
    WriteColumns(options.ColumnEntries);
}
