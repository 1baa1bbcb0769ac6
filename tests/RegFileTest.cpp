// Backup files: the writer and the strict parser. The loading rules they share with the settings
// key and Wine's reg.exe are the store's tests, hostile files its fuzz test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "settings/RegFileParser.h"
#include "settings/RegFileWriter.h"

namespace {

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* first = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(first, first + size);
}

std::vector<BYTE> TextBytes(const std::wstring& text) {
    return Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
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
        {L"Windows Registry Editor Version 5.00\r\r[HKEY_CURRENT_USER\\Software\\Travine11]\r",
         RegFileError::kMalformedLine, 1},
        {L"Windows Registry Editor Version 5.00 x\r\n", RegFileError::kMalformedLine, 1},
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
    // The encoding: no byte order mark, UTF-8, too large. A stray last byte is its line's fault.
    std::vector<BYTE> file = Utf16File(head);
    const std::vector<BYTE> noMark(file.begin() + 2, file.end());
    const std::string utf8 = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n";
    const std::vector<BYTE> utf8Bytes(utf8.begin(), utf8.end());
    for (const std::vector<BYTE>& bytes : {noMark, utf8Bytes}) {
        EXPECT_EQ(RegFileError::kNotRegFile, ParseRegFile(bytes.data(), bytes.size()).error);
    }
    file.push_back(0x20);
    EXPECT_EQ(4, ParseRegFile(file.data(), file.size()).errorLine);
    EXPECT_EQ(RegFileError::kTooLarge, ParseRegFile(file.data(), kMaxRegFileBytes + 1).error);
}

} // namespace
