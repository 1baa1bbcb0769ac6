#include "settings/OptionsStore.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "settings/RegReader.h"
#include "settings/RegFileParser.h"
#include "settings/WindowsVersion.h"

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
const ListNames kColumnNames = {L"ColumnNum", L"Column_"};

struct ExceptionListNames : ListNames {
    const wchar_t* const* defaults;
    size_t defaultCount;
};
const ExceptionListNames kViewModeEFNames = {
    {L"ViewModeEFNum", L"ViewModeEF_"}, kDefaultViewModeExceptions, std::size(kDefaultViewModeExceptions)};
const ExceptionListNames kColumnEFNames = {
    {L"ColumnEFNum", L"ColumnEF_"}, kDefaultColumnExceptions, std::size(kDefaultColumnExceptions)};

ExceptionFolderList DefaultList(const ExceptionListNames& names) {
    ExceptionFolderList list;
    for (size_t i = 0; i < names.defaultCount; ++i) {
        list.Append(names.defaults[i]);
    }
    return list;
}

// Counts up to this many are read index by index; above it, only the numbered values that
// exist in the source are read, which gives the same list without billions of failed lookups.
constexpr int32_t kDirectReadCount = 1024;

// "%s%d" of the prefix and the index: ViewModeEF_0, Column_26.
void FormatNumberedName(const wchar_t* prefix, int32_t index, wchar_t* out, size_t outChars) {
    swprintf(out, outChars, L"%ls%d", prefix, index);
}

// The names of the values whose content reached the record; null when nobody asks.
using UsedNames = std::set<std::wstring>;

void MarkUsed(UsedNames* used, const wchar_t* name) {
    if (used != nullptr) {
        used->insert(name);
    }
}

bool ReadNumber(const CValueSource& source, const wchar_t* name, int32_t* value, UsedNames* used = nullptr) {
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    if (source.Query(name, data, &size) != ERROR_SUCCESS || size < sizeof(data)) {
        return false; // missing, or too short to be a number
    }
    std::memcpy(value, data, sizeof(*value));
    MarkUsed(used, name);
    return true;
}

// Reads a text into out (outChars units); the stored bytes need not hold a NUL.
bool ReadText(const CValueSource& source, const wchar_t* name, wchar_t* out, size_t outChars,
              UsedNames* used) {
    DWORD size = static_cast<DWORD>(outChars * sizeof(wchar_t));
    if (source.Query(name, out, &size) != ERROR_SUCCESS) {
        out[0] = L'\0';
        return false;
    }
    const size_t units = std::min<size_t>(size / sizeof(wchar_t), outChars - 1);
    out[units] = L'\0';
    MarkUsed(used, name);
    return true;
}

void ReadNumbers(const CValueSource& source, Options& options, const NumberOption* rows, size_t count,
                 UsedNames* used) {
    for (size_t i = 0; i < count; ++i) {
        int32_t value = rows[i].loadDefault; // left as it is when the value cannot be read
        ReadNumber(source, rows[i].name, &value, used);
        options.*(rows[i].field) = value;
    }
}

bool WriteDword(CValueSink& sink, const wchar_t* name, DWORD value) {
    return sink.Write(name, REG_DWORD, &value, sizeof(value));
}

bool WriteText(CValueSink& sink, const wchar_t* name, const wchar_t* text) {
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    if (bytes > kMaxValueBytes) {
        return false;
    }
    return sink.Write(name, REG_SZ, text, static_cast<DWORD>(bytes));
}

bool WriteNumbers(CValueSink& sink, const Options& options, const NumberOption* rows, size_t count) {
    bool ok = true;
    for (size_t i = 0; i < count; ++i) {
        ok = WriteDword(sink, rows[i].name, static_cast<DWORD>(options.*(rows[i].field))) && ok;
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
std::vector<int32_t> IndicesToRead(const CValueSource& source, const wchar_t* prefix, int32_t count) {
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
    source.ForEachName([&](const wchar_t* name) {
        int32_t index = 0;
        if (ParseNumberedName(name, prefix, count, &index)) {
            indices.push_back(index);
        }
    });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

// A missing count gives the defaults to a backup without the list, and no entries to the key,
// whose lists the first-run writer has already stored.
void ReadExceptionList(const CValueSource& source, const ExceptionListNames& names, ExceptionFolderList& list,
                       bool defaultWhenMissing, UsedNames* used) {
    int32_t count = 0;
    if (!ReadNumber(source, names.count, &count, used)) {
        if (defaultWhenMissing) {
            list = DefaultList(names);
        }
        return;
    }
    for (int32_t index : IndicesToRead(source, names.prefix, count)) {
        wchar_t valueName[64];
        FormatNumberedName(names.prefix, index, valueName, std::size(valueName));
        wchar_t entry[ExceptionFolderList::kMaxEntryChars + 1]; // 520 bytes
        if (ReadText(source, valueName, entry, std::size(entry), nullptr) && list.Append(entry)) {
            MarkUsed(used, valueName); // empty entries are skipped
        }
    }
}

void ReadColumns(const CValueSource& source, Options& options, bool defaultWhenMissing, UsedNames* used) {
    int32_t count = 0;
    if (!ReadNumber(source, kColumnNames.count, &count, used)) {
        if (defaultWhenMissing) {
            options.SetDefaultColumns();
        }
        return;
    }
    for (int32_t index : IndicesToRead(source, kColumnNames.prefix, count)) {
        wchar_t valueName[64];
        FormatNumberedName(kColumnNames.prefix, index, valueName, std::size(valueName));
        ColumnEntry entry;
        std::memset(&entry, 0, sizeof(entry));
        DWORD size = sizeof(entry);
        source.Query(valueName, &entry, &size);
        entry.Name[kColumnNameChars - 1] = L'\0';
        if (entry.Name[0] != L'\0') {
            options.ColumnEntries.push_back(entry);
            MarkUsed(used, valueName);
        }
    }
}

bool WriteExceptionList(CValueSink& sink, const ListNames& names, const ExceptionFolderList& list) {
    bool ok = WriteDword(sink, names.count, static_cast<DWORD>(list.Count()));
    for (size_t i = 0; i < list.Count(); ++i) {
        wchar_t valueName[64];
        FormatNumberedName(names.prefix, static_cast<int32_t>(i), valueName, std::size(valueName));
        ok = WriteText(sink, valueName, list.At(i)) && ok;
    }
    return ok;
}

bool WriteColumns(CValueSink& sink, const std::vector<ColumnEntry>& columns) {
    bool ok = WriteDword(sink, kColumnNames.count, static_cast<DWORD>(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        wchar_t valueName[64];
        FormatNumberedName(kColumnNames.prefix, static_cast<int32_t>(i), valueName, std::size(valueName));
        ok = sink.Write(valueName, REG_BINARY, &columns[i], sizeof(ColumnEntry)) && ok;
    }
    return ok;
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

enum class LoadKind { kSettingsKey, kOtherSource };

// The one loading logic. Only the settings key runs the first-run writer; any other source gets
// the default lists where it has none.
void LoadValues(const CValueSource& source, Options& options, LoadKind kind, UsedNames* used = nullptr) {
    int32_t initialized = 0;
    options.OptionInitialized = ReadNumber(source, L"OptionInitialized", &initialized) ? initialized : 0;
    if (kind == LoadKind::kSettingsKey && options.OptionInitialized == 0) {
        WriteFirstRunDefaults(options);
    }

    ReadNumbers(source, options, kCommandBarNumbers, std::size(kCommandBarNumbers), used);
    if (!IsWindows11Build(ReadWindowsBuildNumber())) {
        for (const NumberOption& row : kCommandBarNumbers) {
            if (std::find(std::begin(kWindows11OnlyFields), std::end(kWindows11OnlyFields), row.field) !=
                std::end(kWindows11OnlyFields)) {
                options.*(row.field) = 0;
                if (used != nullptr) {
                    used->erase(row.name); // read, but it never reaches the settings
                }
            }
        }
    }
    ReadNumbers(source, options, kOtherNumbers, std::size(kOtherNumbers), used);

    for (const TextOption& text : kTextOptions) {
        wchar_t* field = options.*(text.field);
        if (!ReadText(source, text.name, field, kCommandTextChars, used)) {
            wcsncpy(field, text.loadDefault, kCommandTextChars - 1);
            field[kCommandTextChars - 1] = L'\0';
        }
    }

    options.ViewModeEF.Clear();
    options.ColumnEntries.clear();
    options.ColumnEF.Clear();

    const bool listDefaults = kind == LoadKind::kOtherSource;
    ReadNumbers(source, options, kViewNumbers, std::size(kViewNumbers), used);
    ReadExceptionList(source, kViewModeEFNames, options.ViewModeEF, listDefaults, used);
    ReadNumbers(source, options, &kColumnNumber, 1, used);
    ReadColumns(source, options, listDefaults, used);
    ReadExceptionList(source, kColumnEFNames, options.ColumnEF, listDefaults, used);
}

} // namespace

bool WriteRegDword(const wchar_t* name, DWORD value) {
    CRegistryValues registry;
    return WriteDword(registry, name, value);
}

bool WriteRegText(const wchar_t* name, const wchar_t* text) {
    CRegistryValues registry;
    return WriteText(registry, name, text);
}

bool WriteRegBinary(const wchar_t* name, const ColumnEntry& entry) {
    CRegistryValues registry;
    return registry.Write(name, REG_BINARY, &entry, sizeof(entry));
}

void LoadOptions(Options& options) {
    RecordLock lock(options);
    const CRegistryValues registry;
    LoadValues(registry, options, LoadKind::kSettingsKey);
}

void LoadOptionsFrom(const CValueSource& source, Options& options, std::set<std::wstring>* usedNames) {
    RecordLock lock(options);
    LoadValues(source, options, LoadKind::kOtherSource, usedNames);
}

void LoadDefaultOptions(Options& options) {
    const CRegFileValues nothing;
    LoadOptionsFrom(nothing, options);
}

bool SaveOptions(Options& options) {
    CRegistryValues registry;
    return SaveOptionsTo(registry, options);
}

bool SaveOptionsTo(CValueSink& sink, Options& options) {
    RecordLock lock(options);

    bool ok = WriteNumbers(sink, options, kCommandBarNumbers, std::size(kCommandBarNumbers));
    ok = WriteNumbers(sink, options, kOtherNumbers, std::size(kOtherNumbers)) && ok;
    for (const TextOption& text : kTextOptions) {
        ok = WriteText(sink, text.name, options.*(text.field)) && ok;
    }
    ok = WriteNumbers(sink, options, kViewNumbers, std::size(kViewNumbers)) && ok;
    ok = WriteExceptionList(sink, kViewModeEFNames, options.ViewModeEF) && ok;
    ok = WriteNumbers(sink, options, &kColumnNumber, 1) && ok;
    ok = WriteColumns(sink, options.ColumnEntries) && ok;
    ok = WriteExceptionList(sink, kColumnEFNames, options.ColumnEF) && ok;
    // A saved key holds every value, so it is initialised: without this, a key recreated by a
    // save after the settings were removed would get the default lists written over the
    // user's lists at the next start.
    ok = WriteDword(sink, L"OptionInitialized", 1) && ok;
    return ok;
}

void WriteFirstRunDefaults(Options& options) {
    CRegistryValues registry;
    WriteDword(registry, L"OptionInitialized", 1);

    WriteExceptionList(registry, kViewModeEFNames, DefaultList(kViewModeEFNames));
    WriteExceptionList(registry, kColumnEFNames, DefaultList(kColumnEFNames));

    options.SetDefaultColumns();
    WriteColumns(registry, options.ColumnEntries);
}
