#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include <shlwapi.h>

#include "TestSupport.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileParser.h"
#include "settings/WindowsVersion.h"

namespace {

// Settings unlike the defaults in every field, with texts that need escapes or cannot be quoted.
void MakeRichRecord(Options& options) {
    LoadDefaultOptions(options);
    options.HideCommandBar = 1;
    options.HCBHeight = -12;
    options.ShowCMDBarWheel = 1;
    options.PreventDragType = 1;
    options.TaskbarRemoveSuffix = 1;
    options.HasLines = 1;
    options.PCSelectDriveLetter = 25;
    options.ShiftRetCmd = 1;
    wcscpy(options.ShiftRetCmdExeFile, L"C:\\Program Files\\エディタ\\\"edit\".exe");
    wcscpy(options.ShiftRetCmdArgFile, L"");
    wcscpy(options.ShiftRetCmdArgFldr, L"line one\r\nline two");
    std::wstring longText(1023, L'長');
    wcscpy(options.ShiftRetCmdExeFldr, longText.c_str());
    options.ViewMode = 1;
    options.ViewModeIndex = 7;
    options.ViewModeEF.Clear();
    options.ViewModeEF.Append(L"D:\\Photos\\\"quoted\"");
    options.ViewModeEF.Append(std::wstring(259, L'x').c_str());
    options.Column = 1;
    std::swap(options.ColumnEntries[0], options.ColumnEntries[5]);
    options.ColumnEntries[3].Width = 9999;
    options.ColumnEntries.pop_back();
    options.ColumnEF.Clear();
}

class OptionsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteOptionsKey();
        version.SetBuild(L"22631");
    }
    void TearDown() override { DeleteOptionsKey(); }

    static ColumnEntry MakeColumn(const wchar_t* name, int32_t width) {
        Options scratch;
        scratch.AddColumn(name, 1, width, 0, 0);
        return scratch.ColumnEntries[0];
    }

    WindowsVersionCase version;
};

TEST_F(OptionsStoreTest, FirstLoadWritesExactlyTheFirstRunValues) {
    Options options;
    LoadOptions(options);

    EXPECT_EQ(1u + 8u + 14u + 28u, StoredValues().size());
    EXPECT_EQ(1u, ReadOptionRaw(L"OptionInitialized").AsDword());
    EXPECT_EQ(7u, ReadOptionRaw(L"ViewModeEFNum").AsDword());
    EXPECT_EQ(13u, ReadOptionRaw(L"ColumnEFNum").AsDword());
    const RawValue columnNum = ReadOptionRaw(L"ColumnNum");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), columnNum.type);
    EXPECT_EQ(4u, columnNum.bytes.size());
    EXPECT_EQ(27u, columnNum.AsDword());

    // Both default lists, entry by entry.
    const std::vector<std::wstring> panels = {L"PC", L"コントロール パネル*",
                                              L"すべてのコントロール パネル項目*"};
    std::vector<std::wstring> viewMode = panels, column = panels;
    viewMode.insert(viewMode.end(), {L"ホーム", L"ギャラリー", L"ネットワーク", L"C:\\Windows\\Fonts"});
    column.insert(column.end(),
                  {L"クイック アクセス", L"ダウンロード", L"ホーム", L"ギャラリー", L"ミュージック*",
                   L"ライブラリ*", L"ネットワーク", L"検索場所:*", L"ごみ箱", L"C:\\Windows\\Fonts"});
    for (const auto& [prefix, entries] :
         {std::make_pair(L"ViewModeEF_", viewMode), std::make_pair(L"ColumnEF_", column)}) {
        for (size_t i = 0; i < entries.size(); ++i) {
            const RawValue entry = ReadOptionRaw((prefix + std::to_wstring(i)).c_str());
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), entry.type);
            EXPECT_TRUE(entries[i] == entry.AsText() && entry.bytes.size() == (entries[i].size() + 1) * 2)
                << testing::PrintToString(prefix + std::to_wstring(i));
        }
    }

    // 属 U+5C5E, 性 U+6027, little-endian at offset 4, zero up to the width 72 at offset 168.
    const RawValue attribute = ReadOptionRaw(L"Column_6");
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), attribute.type);
    std::vector<BYTE> expected(180, 0);
    expected[4] = 0x5E;
    expected[5] = 0x5C;
    expected[6] = 0x27;
    expected[7] = 0x60;
    expected[168] = 72;
    EXPECT_EQ(expected, attribute.bytes);

    EXPECT_EQ(0, options.OptionInitialized); // the writer does not touch the record's flag
    EXPECT_EQ(2, options.PreventDragType);
    EXPECT_EQ(2, options.PCSelectDriveLetter);
    EXPECT_EQ(5, options.ViewModeIndex);
    EXPECT_STREQ(L"%WINDIR%\\notepad.exe", options.ShiftRetCmdExeFile);
    EXPECT_STREQ(L"%WINDIR%\\explorer.exe", options.ShiftRetCmdExeFldr);
    EXPECT_STREQ(L"%1", options.ShiftRetCmdArgFile);
    EXPECT_STREQ(L"%1", options.ShiftRetCmdArgFldr);
    EXPECT_EQ(7u, options.ViewModeEF.Count());
    EXPECT_EQ(27u, options.ColumnEntries.size());
    EXPECT_EQ(13u, options.ColumnEF.Count());
}

TEST_F(OptionsStoreTest, Windows11OnlyOptionsAreClearedBelowBuild22000) {
    struct Case {
        const wchar_t* build; // null: value missing
        int32_t expected;
    };
    const Case cases[] = {
        {L"21999", 0}, {L"22000", 1}, {nullptr, 0}, {L"  +22631 (ge_release)", 1}, {L"abc", 0}};
    for (const Case& c : cases) {
        DeleteOptionsKey();
        SetOptionDword(L"OptionInitialized", 1);
        for (const wchar_t* name :
             {L"HideCommandBar", L"ShowCMDBarALTKey", L"ShowCMDBarWheel", L"TaskbarSimpleName",
              L"TaskbarRemoveSuffix", L"PreventDrag", L"CtrlRetCmd"}) {
            SetOptionDword(name, 1);
        }
        SetOptionDword(L"HCBHeight", 7);
        version.SetBuild(c.build);
        Options options;
        LoadOptions(options);
        const std::wstring label = c.build ? c.build : L"(missing)";
        EXPECT_EQ(c.expected, options.HideCommandBar) << label.c_str();
        EXPECT_EQ(c.expected, options.ShowCMDBarALTKey);
        EXPECT_EQ(c.expected, options.ShowCMDBarWheel);
        EXPECT_EQ(c.expected, options.TaskbarSimpleName);
        EXPECT_EQ(c.expected, options.TaskbarRemoveSuffix);
        EXPECT_EQ(c.expected ? 7 : 0, options.HCBHeight);
        EXPECT_EQ(1, options.PreventDrag); // not a Windows 11 option
        EXPECT_EQ(1, options.CtrlRetCmd);
    }
}

TEST(BuildNumberParsing, FollowsTheRuntimeConversion) {
    EXPECT_EQ(22631u, ParseBuildNumber(L"22631"));
    EXPECT_EQ(22631u, ParseBuildNumber(L" \t22631.4460"));
    EXPECT_EQ(19045u, ParseBuildNumber(L"+19045"));
    EXPECT_EQ(static_cast<uint32_t>(-5), ParseBuildNumber(L"-5"));
    EXPECT_EQ(0u, ParseBuildNumber(L""));
    EXPECT_EQ(0u, ParseBuildNumber(L"build"));
    EXPECT_EQ(0u, ParseBuildNumber(L"--5"));
    EXPECT_EQ(2147483647u, ParseBuildNumber(L"999999999999999"));
    EXPECT_FALSE(IsWindows11Build(21999));
    EXPECT_TRUE(IsWindows11Build(22000));
}

// Values that do not fit their buffers or their kind: the outcome of each is the program's choice.
TEST_F(OptionsStoreTest, OddValuesLoadTheirFittingPartOrCountAsMissing) {
    const auto unterminated = [](const wchar_t* name, size_t units, wchar_t fill) {
        const std::wstring text(units, fill);
        SetOptionRaw(name, REG_SZ, text.data(), static_cast<DWORD>(units * sizeof(wchar_t)));
    };
    SetOptionDword(L"OptionInitialized", 1);
    const BYTE twoBytes[2] = {1, 0};
    SetOptionRaw(L"PreventDragType", REG_DWORD, twoBytes, sizeof(twoBytes));
    const ULONGLONG wide = 0x1122334400000003ull;
    SetOptionRaw(L"ViewModeIndex", REG_QWORD, &wide, sizeof(wide));
    SetOptionText(L"HasLines", L"1");
    unterminated(L"ShiftRetCmdExeFile", 1024, L'a'); // exactly 2048 bytes
    unterminated(L"ShiftRetCmdExeFldr", 3000, L'b');
    SetOptionRaw(L"ShiftRetCmdArgFile", REG_SZ, "xyz", 3); // an odd byte count
    SetOptionText(L"ShiftRetCmdArgFldr", L"");
    SetOptionDword(L"ViewModeEFNum", 2);
    unterminated(L"ViewModeEF_0", 260, L'c'); // exactly 520 bytes
    unterminated(L"ViewModeEF_1", 900, L'd');
    SetOptionDword(L"ColumnEFNum", static_cast<DWORD>(-3));
    SetOptionText(L"ColumnEF_0", L"PC");
    SetOptionDword(L"ColumnNum", 3);
    std::vector<BYTE> noTerminator(180, 0);
    for (size_t i = 4; i < 168; i += 2) {
        noTerminator[i] = 'N';
    }
    noTerminator[168] = 90;
    SetOptionRaw(L"Column_0", REG_BINARY, noTerminator.data(), 180);
    std::vector<BYTE> oversized(400, 0x41);
    SetOptionRaw(L"Column_1", REG_BINARY, oversized.data(), 400);
    ColumnEntry shortEntry = MakeColumn(L"種類", 135);
    shortEntry.Sort = 2;
    SetOptionRaw(L"Column_2", REG_BINARY, &shortEntry, 100);
    version.SetBuild(std::wstring(40, L'9').c_str()); // fifteen nines are read: far above 22000
    SetOptionDword(L"HideCommandBar", 1);

    Options options;
    LoadOptions(options);
    EXPECT_EQ(2, options.PreventDragType); // too short: the default
    EXPECT_EQ(3, options.ViewModeIndex);
    EXPECT_EQ(0x31, options.HasLines); // "1" and its NUL, read as a number
    EXPECT_EQ(std::wstring(1023, L'a'), options.ShiftRetCmdExeFile);
    EXPECT_EQ(std::wstring(1023, L'b'), options.ShiftRetCmdExeFldr);
    EXPECT_EQ(1u, wcslen(options.ShiftRetCmdArgFile));
    EXPECT_STREQ(L"", options.ShiftRetCmdArgFldr); // stored empty stays empty
    ASSERT_EQ(2u, options.ViewModeEF.Count());
    EXPECT_EQ(std::wstring(259, L'c'), options.ViewModeEF.At(0));
    EXPECT_EQ(std::wstring(259, L'd'), options.ViewModeEF.At(1));
    EXPECT_EQ(0u, options.ColumnEF.Count());
    ASSERT_EQ(3u, options.ColumnEntries.size());
    EXPECT_EQ(std::wstring(81, L'N'), options.ColumnEntries[0].Name);
    EXPECT_EQ(90, options.ColumnEntries[0].Width);
    EXPECT_EQ(0x41414141, options.ColumnEntries[1].NoHide);
    EXPECT_STREQ(L"種類", options.ColumnEntries[2].Name);
    EXPECT_EQ(0, options.ColumnEntries[2].Width); // past the 100 stored bytes
    EXPECT_EQ(0, options.ColumnEntries[2].Sort);
    EXPECT_EQ(1, options.HideCommandBar);
}

TEST_F(OptionsStoreTest, ListsReadTheNumberedValuesThatExistUpToTheirCount) {
    SetOptionDword(L"OptionInitialized", 1);
    SetOptionDword(L"ViewModeEFNum", 2147483647);
    SetOptionText(L"ViewModeEF_0", L"PC");
    SetOptionText(L"ViewModeEF_12345", L"far away");
    SetOptionText(L"viewmodeef_7", L"case differs");
    SetOptionText(L"ViewModeEF_007", L"not a name the load forms");
    SetOptionText(L"ViewModeEF_-1", L"negative");
    SetOptionText(L"ViewModeEF_2147483647", L"past the count");
    SetOptionDword(L"ColumnNum", 5);
    const ColumnEntry first = MakeColumn(L"名前", 240);
    const ColumnEntry fourth = MakeColumn(L"サイズ", 110);
    ColumnEntry blank = MakeColumn(L"x", 50);
    SetOptionRaw(L"Column_5", REG_BINARY, &blank, sizeof(blank)); // beyond the count
    blank.Name[0] = L'\0';
    SetOptionRaw(L"Column_0", REG_BINARY, &first, sizeof(first));
    SetOptionRaw(L"Column_2", REG_BINARY, &blank, sizeof(blank));
    SetOptionRaw(L"Column_3", REG_BINARY, &fourth, sizeof(fourth));

    const ULONGLONG start = GetTickCount64();
    Options options;
    LoadOptions(options);
    EXPECT_LT(GetTickCount64() - start, 1000u);
    ASSERT_EQ(3u, options.ViewModeEF.Count());
    EXPECT_STREQ(L"PC", options.ViewModeEF.At(0));
    EXPECT_STREQ(L"case differs", options.ViewModeEF.At(1));
    EXPECT_STREQ(L"far away", options.ViewModeEF.At(2));
    EXPECT_EQ(0u, options.ColumnEF.Count()); // no count at all
    ASSERT_EQ(2u, options.ColumnEntries.size());
    EXPECT_STREQ(L"名前", options.ColumnEntries[0].Name);
    EXPECT_STREQ(L"サイズ", options.ColumnEntries[1].Name);
    EXPECT_EQ(110, options.ColumnEntries[1].Width);

    SetOptionDword(L"ColumnNum", 2147483647);
    SetOptionDword(L"ViewModeEFNum", 0);
    Options huge;
    LoadOptions(huge);
    EXPECT_EQ(0u, huge.ViewModeEF.Count());
    ASSERT_EQ(3u, huge.ColumnEntries.size()); // now within the count
    EXPECT_STREQ(L"x", huge.ColumnEntries[2].Name);
}

// The lists follow the first-run flag and their counts: a key without the flag gets the default
// lists but keeps its numbers; a shorter list saved over a longer one leaves values behind that
// its count hides; lists saved after the key was removed (while the window stayed open) are not
// lost to the first-run writer at the next start.
TEST_F(OptionsStoreTest, ListsFollowTheFirstRunFlagAndTheirCounts) {
    SetOptionDword(L"OptionInitialized", 0);
    SetOptionDword(L"PreventDragType", 1);
    SetOptionDword(L"ViewModeEFNum", 1);
    SetOptionText(L"ViewModeEF_0", L"mine");
    Options options;
    LoadOptions(options);
    EXPECT_EQ(1, options.PreventDragType);
    ASSERT_EQ(7u, options.ViewModeEF.Count());
    EXPECT_STREQ(L"PC", options.ViewModeEF.At(0));
    EXPECT_EQ(1u, ReadOptionRaw(L"OptionInitialized").AsDword());

    Options shorter;
    for (const wchar_t* entry : {L"A", L"B", L"C"}) {
        shorter.ViewModeEF.Append(entry);
    }
    EXPECT_TRUE(SaveOptions(shorter));
    EXPECT_EQ(3u, ReadOptionRaw(L"ViewModeEFNum").AsDword());
    EXPECT_EQ(L"ホーム", ReadOptionRaw(L"ViewModeEF_3").AsText());
    EXPECT_TRUE(ReadOptionRaw(L"ViewModeEF_6").present);
    LoadOptions(options);
    ASSERT_EQ(3u, options.ViewModeEF.Count());
    EXPECT_STREQ(L"C", options.ViewModeEF.At(2));

    DeleteOptionsKey();
    Options mine;
    mine.ColumnEF.Append(L"ダウンロード");
    mine.AddColumn(L"サイズ", 1, 110, 0, 0);
    EXPECT_TRUE(SaveOptions(mine));
    EXPECT_EQ(1u, ReadOptionRaw(L"OptionInitialized").AsDword());
    Options reloaded;
    LoadOptions(reloaded);
    EXPECT_EQ(0u, reloaded.ViewModeEF.Count());
    ASSERT_EQ(1u, reloaded.ColumnEF.Count());
    ASSERT_EQ(1u, reloaded.ColumnEntries.size());
    EXPECT_STREQ(L"サイズ", reloaded.ColumnEntries[0].Name);
}

// The file takes the key's loading rules, but never the first-run writer.
TEST_F(OptionsStoreTest, FileLoadsByTheKeysRulesAndNeverWrites) {
    const std::wstring head =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n";
    Options fromFile;
    std::set<std::wstring> used;
    LoadOptionsFrom(
        Parse(head + L"\"OptionInitialized\"=dword:00000000\r\n\"HideCommandBar\"=dword:1\r\n"
                     L"\"ViewModeEFNum\"=dword:2\r\n\"ViewModeEF_1\"=\"only\"\r\n\"ViewModeEF_0\"=\"\"\r\n"
                     L"\"ColumnNum\"=dword:7fffffff\r\n\"Column_5\"=hex:01,00,00,00,41,00\r\n")
            .values,
        fromFile, &used);
    // What reached the record; not OptionInitialized, nor the empty entry.
    EXPECT_EQ((std::set<std::wstring>{L"HideCommandBar", L"ViewModeEFNum", L"ViewModeEF_1", L"ColumnNum",
                                      L"Column_5"}),
              used);
    EXPECT_FALSE(OptionsKeyExists()) << "a file load never writes";
    EXPECT_EQ(1, fromFile.HideCommandBar);
    ASSERT_EQ(1u, fromFile.ViewModeEF.Count()); // read as it stands, not replaced by the defaults
    EXPECT_STREQ(L"only", fromFile.ViewModeEF.At(0));
    ASSERT_EQ(1u, fromFile.ColumnEntries.size()); // a huge count finds the entries that exist
    EXPECT_STREQ(L"A", fromFile.ColumnEntries[0].Name);
    EXPECT_EQ(0, fromFile.ColumnEntries[0].Width);
    EXPECT_EQ(13u, fromFile.ColumnEF.Count()); // missing: the default list

    // An empty file section is the first-run settings, as a new key gives them; on Windows 10
    // the six Windows 11 options are cleared.
    version.SetBuild(L"19045");
    Options defaults, fresh, windows10;
    used.clear();
    LoadOptionsFrom(Parse(head + L"\"HideCommandBar\"=dword:1\r\n\"TaskbarSimpleName\"=dword:1\r\n").values,
                    windows10, &used);
    EXPECT_EQ(0, windows10.HideCommandBar + windows10.TaskbarSimpleName);
    EXPECT_TRUE(used.empty()) << "the cleared Windows 11 options count as unused";
    LoadDefaultOptions(defaults);
    EXPECT_FALSE(OptionsKeyExists());
    LoadOptions(fresh);
    EXPECT_EQ(RecordBytes(fresh), RecordBytes(defaults));
}

// Wine's reg.exe reads and writes the format independently of this program.
TEST_F(OptionsStoreTest, RegExeImportsOurFileAsUpdateWritesAndWeLoadItsExport) {
    Options rich;
    MakeRichRecord(rich);
    ASSERT_TRUE(SaveOptions(rich));
    const StoredKey updated = StoredValues();
    HKEY sub = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Travine11\\Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &sub, nullptr);
    RegSetValueExW(sub, L"HasLines", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\0\0\0\0"), 4);
    RegCloseKey(sub);

    const std::wstring exported = ProgramFolder() + L"reg-export.reg";
    ASSERT_EQ(0, RunProgram(SystemFolder() + L"reg.exe",
                            L"export HKCU\\Software\\Travine11 \"" + exported + L"\" /y")
                     .exitCode);
    const std::vector<BYTE> exportBytes = ReadBytes(exported);
    DeleteFileW(exported.c_str());
    const RegFileContents parsed = ParseRegFile(exportBytes.data(), exportBytes.size());
    ASSERT_EQ(RegFileError::kNone, parsed.error) << "line " << parsed.errorLine;
    EXPECT_EQ(1, parsed.otherKeys); // the subkey's section
    Options fromExport, fromKey;
    LoadOptionsFrom(parsed.values, fromExport);
    LoadOptions(fromKey);
    EXPECT_EQ(RecordBytes(fromKey), RecordBytes(fromExport));

    const std::wstring ours = ProgramFolder() + L"ours.reg";
    ASSERT_TRUE(WriteBytes(ours, RecordBytes(rich)));
    DeleteOptionsKey();
    ASSERT_EQ(0, RunProgram(SystemFolder() + L"reg.exe", L"import \"" + ours + L"\"").exitCode);
    DeleteFileW(ours.c_str());
    EXPECT_TRUE(updated == StoredValues()) << "reg import of our file differs from the key Update writes";
}

} // namespace
