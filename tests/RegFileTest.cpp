// Backup files: the writer and the strict parser, the loading rules they share with the settings
// key, Wine's reg.exe as an independent reader and writer of the format, and hostile files.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileParser.h"
#include "settings/RegFileWriter.h"

namespace {

RegFileContents Parse(const std::wstring& text) {
    const std::vector<BYTE> bytes = Utf16File(text);
    return ParseRegFile(bytes.data(), bytes.size());
}

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* first = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(first, first + size);
}

std::vector<BYTE> TextBytes(const std::wstring& text) {
    return Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

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

TEST(RegFile, WriterAndParserAgreeOnEveryKindOfValue) {
    const ColumnEntry column = {1, L"名前 \"x\"", 240, 1, 1};
    const std::wstring quoted = L"C:\\dir\\\"q\"";
    CRegFileWriter writer(L"test");
    const DWORD number = 0xFFFFFFF4;
    writer.Write(L"Number", REG_DWORD, &number, 4);
    writer.Write(L"Quoted", REG_SZ, quoted.c_str(), static_cast<DWORD>((quoted.size() + 1) * 2));
    writer.Write(L"Breaks", REG_SZ, L"a\r\nb", 10);
    writer.Write(L"Empty", REG_SZ, L"", 2);
    writer.Write(L"Column_0", REG_BINARY, &column, sizeof(column));
    writer.Write(L"Nothing", REG_BINARY, nullptr, 0);
    const std::vector<BYTE> file = writer.Bytes();

    const std::wstring text(reinterpret_cast<const wchar_t*>(file.data() + 2), (file.size() - 2) / 2);
    ASSERT_EQ(0, text.compare(0, 46, L"Windows Registry Editor Version 5.00\r\n\r\n; test"));
    EXPECT_NE(std::wstring::npos, text.find(L"\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"Number\"=dword:fffffff4\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"Quoted\"=\"C:\\\\dir\\\\\\\"q\\\"\"\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"Breaks\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"Empty\"=\"\"\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\"Nothing\"=hex:\r\n"));
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
        EXPECT_LE(end - start, 80u) << "regedit's line width";
        EXPECT_EQ(std::wstring::npos, text.substr(start, end - start).find(L'\n'));
    }

    const RegFileContents parsed = ParseRegFile(file.data(), file.size());
    ASSERT_EQ(RegFileError::kNone, parsed.error);
    EXPECT_EQ(6u, parsed.values.Count());
    const struct {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
    } expected[] = {
        {L"number", REG_DWORD, Bytes(&number, 4)}, // names compare as in the registry
        {L"Quoted", REG_SZ, TextBytes(quoted)},
        {L"Breaks", REG_SZ, TextBytes(L"a\r\nb")},
        {L"Empty", REG_SZ, TextBytes(L"")},
        {L"Column_0", REG_BINARY, Bytes(&column, sizeof(column))},
        {L"Nothing", REG_BINARY, {}},
    };
    for (const auto& value : expected) {
        const CRegFileValues::Value* found = parsed.values.Find(value.name);
        ASSERT_NE(nullptr, found);
        EXPECT_EQ(value.type, found->type);
        EXPECT_EQ(value.bytes, found->bytes);
    }
}

TEST(RegFile, ReadsRegeditsVariantsAndSkipsWhatIsNotTheSettings) {
    const std::wstring text = L"Windows Registry Editor Version 5.00\n"
                              L"\n"
                              L"; exported by hand\n"
                              L"[HKEY_CURRENT_USER\\Software\\Other]\n"
                              L"\"HasLines\"=dword:00000001\n"
                              L"[-HKEY_CURRENT_USER\\Software\\Travine11]\n"
                              L"[hkey_current_user\\software\\TRAVINE11]  \n"
                              L"  \"HasLines\" = dword:0000002A ; answer\n"
                              L"\"Column\"=-\n"
                              L"@=\"default\"\n"
                              L"\"Expand\"=hex(2):25,00,\\\n"
                              L"  31,00,00,00\n"
                              L"\"Bytes\"=hex:\\\n"
                              L"  A,Bc\n"
                              L"\"Later\"=\"old\"\n"
                              L"\"LATER\"=\"new\"";
    const RegFileContents parsed = Parse(text);
    ASSERT_EQ(RegFileError::kNone, parsed.error) << parsed.errorLine;
    EXPECT_EQ(1, parsed.otherKeys);
    EXPECT_EQ(2, parsed.deletionLines); // the key's deletion and "Column"=- are never carried out
    EXPECT_EQ(42u, parsed.values.Find(L"HasLines")->bytes[0]);
    EXPECT_EQ(nullptr, parsed.values.Find(L"Column"));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), parsed.values.Find(L"Expand")->type);
    EXPECT_EQ(TextBytes(L"%1"), parsed.values.Find(L"Expand")->bytes);
    EXPECT_EQ((std::vector<BYTE>{0x0A, 0xBC}), parsed.values.Find(L"Bytes")->bytes);
    EXPECT_EQ(TextBytes(L"new"), parsed.values.Find(L"later")->bytes);
    EXPECT_EQ(5u, parsed.values.Count());
}

TEST(RegFile, RefusesWhatIsNotStrictlyTheFormat) {
    const std::wstring head =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n";
    const struct {
        std::wstring text;
        RegFileError error;
        int line;
    } cases[] = {
        {L"", RegFileError::kNotRegFile, 0},
        {L"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n", RegFileError::kNotRegFile, 0},
        {L"Windows Registry Editor Version 5.0\r\n", RegFileError::kNotRegFile, 0},
        {L"\r\n" + head, RegFileError::kNotRegFile, 0},
        {L"Windows Registry Editor Version 5.00\r\n\"A\"=dword:1\r\n", RegFileError::kMalformedLine, 2},
        {head + L"\"A\"=\"cut\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=\"\\t\"\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\\n\"=\"x\"\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=dword:123456789\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=dword:\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=hex:0g\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=hex:123\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=hex:01,\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=hex:01,,02\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=hex:01,\\\r\n  02,\\\r\n", RegFileError::kMalformedLine, 5},
        {head + L"\"A\"=hex(2:00\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=str:x\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\" dword:1\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=dword:1 x\r\n", RegFileError::kMalformedLine, 4},
        {head + L"[HKEY_CURRENT_USER\\Software\r\n", RegFileError::kMalformedLine, 4},
        {head + L"[]\r\n", RegFileError::kMalformedLine, 4},
        {head + L"HasLines=1\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=\"x\"\rmore\r\n", RegFileError::kMalformedLine, 4},
        {head + L"\"A\"=\"x\0y\"\r\n", RegFileError::kMalformedLine, 4},
        {L"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\Travine11\\Sub]\r\n",
         RegFileError::kNoSettingsKey, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        const RegFileContents parsed = Parse(c.text);
        EXPECT_EQ(c.error, parsed.error);
        EXPECT_EQ(c.line, parsed.errorLine);
        EXPECT_EQ(0u, parsed.values.Count());
    }
    // The encoding: no byte order mark, UTF-8, an odd length, too large.
    std::vector<BYTE> file = Utf16File(head);
    const std::vector<BYTE> noMark(file.begin() + 2, file.end());
    const std::string utf8 = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n";
    const std::vector<BYTE> utf8Bytes(utf8.begin(), utf8.end());
    file.push_back(0x20);
    for (const std::vector<BYTE>& bytes : {noMark, utf8Bytes, file}) {
        EXPECT_EQ(RegFileError::kNotRegFile, ParseRegFile(bytes.data(), bytes.size()).error);
    }
    EXPECT_EQ(RegFileError::kTooLarge, ParseRegFile(file.data(), kMaxRegFileBytes + 1).error);
}

class BackupLoadTest : public testing::Test {
protected:
    void SetUp() override {
        DeleteOptionsKey();
        version.SetBuild(L"22631");
    }
    void TearDown() override { DeleteOptionsKey(); }
    WindowsVersionCase version;
};

// The file takes the key's loading rules, but never the first-run writer.
TEST_F(BackupLoadTest, FileLoadsByTheKeysRulesAndNeverWrites) {
    const std::wstring head =
        L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n";
    Options fromFile;
    LoadOptionsFrom(Parse(head + L"\"OptionInitialized\"=dword:00000000\r\n\"HideCommandBar\"=dword:1\r\n"
                                 L"\"ViewModeEFNum\"=dword:2\r\n\"ViewModeEF_1\"=\"only\"\r\n"
                                 L"\"ColumnNum\"=dword:7fffffff\r\n\"Column_5\"=hex:01,00,00,00,41,00\r\n")
                        .values,
                    fromFile);
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
    LoadOptionsFrom(Parse(head + L"\"HideCommandBar\"=dword:1\r\n\"TaskbarSimpleName\"=dword:1\r\n").values,
                    windows10);
    EXPECT_EQ(0, windows10.HideCommandBar + windows10.TaskbarSimpleName);
    LoadDefaultOptions(defaults);
    EXPECT_FALSE(OptionsKeyExists());
    LoadOptions(fresh);
    EXPECT_EQ(RecordBytes(fresh), RecordBytes(defaults));
}

// Wine's reg.exe reads and writes the format independently of this program.
TEST_F(BackupLoadTest, RegExeImportsOurFileAsUpdateWritesAndWeLoadItsExport) {
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
    ASSERT_EQ(0, RunSystemTool(L"reg.exe", L"export HKCU\\Software\\Travine11 \"" + exported + L"\" /y"));
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
    ASSERT_EQ(0, RunSystemTool(L"reg.exe", L"import \"" + ours + L"\""));
    DeleteFileW(ours.c_str());
    EXPECT_TRUE(updated == StoredValues()) << "reg import of our file differs from the key Update writes";
}

// Random and mutated files: each is refused, or loads to settings that save and load back to
// themselves; none writes to the registry. TRAVINE_FUZZ_FILES sets how many (400).
class FileMaker {
public:
    explicit FileMaker(uint32_t seed) : m_random(seed) {}

    std::vector<BYTE> Make() {
        switch (Below(12)) {
        case 0:
            return Noise(Below(4) == 0 ? 0 : static_cast<size_t>(Below(3000)));
        case 1:
            return std::vector<BYTE>(Below(2) == 0 ? 2u << 20 : kMaxRegFileBytes + 2, 0x41);
        default:
            break;
        }
        Options options;
        MakeRichRecord(options);
        options.ViewModeIndex = static_cast<int32_t>(m_random());
        std::vector<BYTE> file = RecordBytes(options);
        std::wstring text(reinterpret_cast<const wchar_t*>(file.data() + 2), (file.size() - 2) / 2);
        const int mutations = Below(3);
        for (int i = 0; i < mutations; ++i) {
            Mutate(text);
        }
        file = Utf16File(text);
        switch (Below(16)) {
        case 0: // no byte order mark
            file.erase(file.begin(), file.begin() + 2);
            break;
        case 1: { // as UTF-8 or ANSI would have it: one byte per character
            std::vector<BYTE> narrow;
            for (size_t i = 2; i < file.size(); i += 2) {
                narrow.push_back(file[i]);
            }
            file = narrow;
            break;
        }
        case 2: // a NUL byte, or a file cut in the middle of a character
            file.insert(file.begin() + static_cast<long>(Below(static_cast<int>(file.size()))), 0);
            break;
        default:
            break;
        }
        return file;
    }

private:
    int Below(int bound) { return static_cast<int>(m_random() % static_cast<uint32_t>(bound)); }
    std::vector<BYTE> Noise(size_t size) {
        std::vector<BYTE> bytes(size);
        for (BYTE& b : bytes) {
            b = static_cast<BYTE>(m_random());
        }
        if (size >= 2 && Below(2) == 0) {
            bytes[0] = 0xFF;
            bytes[1] = 0xFE;
        }
        return bytes;
    }
    size_t Somewhere(const std::wstring& text) {
        return static_cast<size_t>(Below(static_cast<int>(text.size()) + 1));
    }
    // Before the first value, or anywhere once a mutation has removed it.
    size_t BeforeValues(const std::wstring& text) {
        const size_t first = text.find(L"\r\n\"HideCommandBar\"");
        return first != std::wstring::npos ? first : Somewhere(text);
    }

    void Mutate(std::wstring& text) {
        static const wchar_t* const kInserts[] = {
            L"\\",
            L"\\x",
            L"\"",
            L",",
            L"g",
            L"\r\n",
            L"\r",
            L"\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"HasLines\"=dword:1\r\n",
            L"\r\n[-HKEY_CURRENT_USER\\Software\\Travine11]\r\n",
            L"\r\n\"HasLines\"=-\r\n",
            L"\r\n[HKEY_CURRENT_USER\\Software\\Travine11]\r\n",
            L"\r\n\"ColumnNum\"=dword:7fffffff\r\n",
            L"\r\n\"ViewModeEFNum\"=dword:ffffffff\r\n",
            L"\r\n\"Column_3\"=hex:41,00\r\n",
            L"\r\n\"ShiftRetCmdArgFile\"=hex(7):41,00,00,00,42\r\n",
        };
        switch (Below(6)) {
        case 0: // cut the file short
            text.resize(Somewhere(text));
            break;
        case 1: { // drop a line
            const size_t start = text.find(L"\r\n", Somewhere(text));
            const size_t end = start == std::wstring::npos ? start : text.find(L"\r\n", start + 2);
            if (end != std::wstring::npos) {
                text.erase(start, end - start);
            }
            break;
        }
        case 2:
            text.insert(Somewhere(text), kInserts[Below(static_cast<int>(std::size(kInserts)))]);
            break;
        case 3: // an odd character somewhere
            text[Somewhere(text) % text.size()] = static_cast<wchar_t>(Below(0x10000));
            break;
        case 4: { // a huge value
            std::wstring huge = L"\r\n\"ShiftRetCmdExeFile\"=hex:";
            const int bytes = 1000 + Below(150000);
            for (int i = 0; i < bytes; ++i) {
                huge += i % 25 == 24 ? L"41,\\\r\n  " : L"41,";
            }
            huge += L"00\r\n";
            text.insert(BeforeValues(text), huge);
            break;
        }
        default: { // a long string value of random characters
            std::wstring value = L"\r\n\"ViewModeEF_0\"=\"";
            const int length = Below(3000);
            for (int i = 0; i < length; ++i) {
                value += static_cast<wchar_t>(L' ' + Below(0x5E));
            }
            text.insert(BeforeValues(text), value + L"\"\r\n");
            break;
        }
        }
    }

    std::mt19937 m_random;
};

TEST_F(BackupLoadTest, AnyFileIsRefusedOrLoadsToAFixedPointWithoutWriting) {
    const char* count = std::getenv("TRAVINE_FUZZ_FILES");
    const int files = count != nullptr && *count != '\0' ? std::atoi(count) : 400;
    int refused = 0;
    for (int k = 0; k < files; ++k) {
        const uint32_t seed = 0xF11E0000u + static_cast<uint32_t>(k);
        SCOPED_TRACE("file seed " + std::to_string(seed));
        version.SetBuild(k % 4 == 0 ? L"19045" : L"22631");
        const std::vector<BYTE> file = FileMaker(seed).Make();
        const RegFileContents parsed = ParseRegFile(file.data(), file.size());
        if (parsed.error != RegFileError::kNone) {
            ++refused;
            EXPECT_EQ(0u, parsed.values.Count());
            continue;
        }
        Options loaded;
        LoadOptionsFrom(parsed.values, loaded);
        for (size_t i = 0; i < loaded.ViewModeEF.Count(); ++i) {
            ASSERT_LE(wcslen(loaded.ViewModeEF.At(i)), 259u);
        }
        for (const ColumnEntry& column : loaded.ColumnEntries) {
            ASSERT_TRUE(column.Name[0] != L'\0' && wcsnlen(column.Name, 82) <= 81);
        }
        const std::vector<BYTE> saved = RecordBytes(loaded);
        const RegFileContents again = ParseRegFile(saved.data(), saved.size());
        ASSERT_EQ(RegFileError::kNone, again.error);
        Options reloaded;
        LoadOptionsFrom(again.values, reloaded);
        ASSERT_EQ(saved, RecordBytes(reloaded)) << "saving and loading changed the settings";
        ASSERT_FALSE(OptionsKeyExists()) << "a file load wrote to the registry";
    }
    // Both ways are exercised: neither all refused nor all accepted.
    EXPECT_GT(refused, files / 5);
    EXPECT_LT(refused, files * 4 / 5);
}

} // namespace
