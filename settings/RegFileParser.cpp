#include "settings/RegFileParser.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <utility>

const wchar_t kSettingsKeyPath[] = L"HKEY_CURRENT_USER\\Software\\Travine11";

bool CRegFileValues::NameLess::operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_LESS_THAN;
}

void CRegFileValues::Set(const std::wstring& name, DWORD type, std::vector<BYTE> bytes) {
    Value& value = m_values[name];
    value.type = type;
    value.bytes = std::move(bytes);
}

const CRegFileValues::Value* CRegFileValues::Find(const wchar_t* name) const {
    const auto found = m_values.find(name);
    return found != m_values.end() ? &found->second : nullptr;
}

LSTATUS CRegFileValues::Query(const wchar_t* name, void* buffer, DWORD* size) const {
    const Value* value = Find(name);
    if (value == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    const size_t kept = value->bytes.size() < *size ? value->bytes.size() : *size;
    if (kept > 0) {
        std::memcpy(buffer, value->bytes.data(), kept);
    }
    *size = static_cast<DWORD>(kept);
    return ERROR_SUCCESS;
}

void CRegFileValues::ForEachName(const std::function<void(const wchar_t*)>& visit) const {
    for (const auto& value : m_values) {
        visit(value.first.c_str());
    }
}

namespace {

const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";

struct Line {
    const wchar_t* begin;
    const wchar_t* end;
    int number;
    bool broken; // holds a NUL or a carriage return that ends no line
};

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

const wchar_t* SkipBlanks(const wchar_t* p, const wchar_t* end) {
    while (p < end && IsBlank(*p)) {
        ++p;
    }
    return p;
}

// Nothing but blanks and perhaps a comment up to the end of the line.
bool RestIsEmpty(const wchar_t* p, const wchar_t* end) {
    p = SkipBlanks(p, end);
    return p == end || *p == L';';
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

bool StartsWith(const wchar_t* p, const wchar_t* end, const wchar_t* prefix) {
    const size_t length = wcslen(prefix);
    return static_cast<size_t>(end - p) >= length && std::wmemcmp(p, prefix, length) == 0;
}

// One to eight hex digits, as regedit writes the number of a dword or a type.
bool ParseHexNumber(const wchar_t*& p, const wchar_t* end, DWORD* value) {
    DWORD number = 0;
    int digits = 0;
    for (; p < end && HexDigit(*p) >= 0; ++p) {
        if (++digits > 8) {
            return false;
        }
        number = number * 16 + static_cast<DWORD>(HexDigit(*p));
    }
    *value = number;
    return digits > 0;
}

// A quoted text from its opening quote; p ends after the closing quote. Names know only the
// escapes \\ and \"; data also \n and \r, which "reg export" writes for line breaks.
bool ParseQuoted(const wchar_t*& p, const wchar_t* end, bool lineBreakEscapes, std::wstring& out) {
    ++p;
    while (p < end) {
        const wchar_t c = *p++;
        if (c == L'"') {
            return true;
        }
        if (c != L'\\') {
            out += c;
            continue;
        }
        if (p == end) {
            return false;
        }
        const wchar_t escaped = *p++;
        if (escaped == L'\\' || escaped == L'"') {
            out += escaped;
        } else if (lineBreakEscapes && escaped == L'n') {
            out += L'\n';
        } else if (lineBreakEscapes && escaped == L'r') {
            out += L'\r';
        } else {
            return false;
        }
    }
    return false;
}

class Parser {
public:
    Parser(const wchar_t* text, size_t length) { Split(text, length); }

    RegFileContents Run() {
        RegFileContents contents;
        if (m_lines.empty() || !StartsWithHeader(m_lines[0])) {
            contents.error = RegFileError::kNotRegFile;
            return contents;
        }
        m_next = 0; // a header line that is not whole (lines ended by CR alone, say) is line 1's fault
        while (m_next < m_lines.size()) {
            const Line& line = m_lines[m_next++];
            m_lineNumber = line.number;
            if (line.broken || !ParseLine(line, contents)) {
                RegFileContents failed;
                failed.error = RegFileError::kMalformedLine;
                failed.errorLine = m_lineNumber;
                return failed;
            }
        }
        if (!m_sawSettingsKey) {
            RegFileContents failed;
            failed.error = RegFileError::kNoSettingsKey;
            return failed;
        }
        return contents;
    }

private:
    enum class Section { kNone, kSettings, kIgnored };

    void Split(const wchar_t* text, size_t length) {
        const wchar_t* end = text + length;
        const wchar_t* start = text;
        bool broken = false;
        int number = 1;
        for (const wchar_t* p = text; p < end; ++p) {
            if (*p == L'\n') {
                const wchar_t* lineEnd = p > start && p[-1] == L'\r' ? p - 1 : p;
                broken = broken || std::find(start, lineEnd, L'\r') != lineEnd;
                m_lines.push_back({start, lineEnd, number++, broken});
                start = p + 1;
                broken = false;
            } else if (*p == L'\0') {
                broken = true;
            }
        }
        if (start < end) { // a last line without its line break
            broken = broken || std::find(start, end, L'\r') != end;
            m_lines.push_back({start, end, number, broken});
        }
    }

    static bool StartsWithHeader(const Line& line) {
        return StartsWith(SkipBlanks(line.begin, line.end), line.end, kHeader);
    }

    static bool IsHeader(const Line& line) {
        const wchar_t* p = SkipBlanks(line.begin, line.end);
        return StartsWith(p, line.end, kHeader) && SkipBlanks(p + wcslen(kHeader), line.end) == line.end;
    }

    bool ParseLine(const Line& line, RegFileContents& contents) {
        if (line.number == 1) {
            return IsHeader(line);
        }
        const wchar_t* p = SkipBlanks(line.begin, line.end);
        if (p == line.end || *p == L';') {
            return true;
        }
        if (*p == L'[') {
            return ParseKey(p, line.end, contents);
        }
        if (*p == L'"' || *p == L'@') {
            return ParseValue(p, line.end, contents);
        }
        return false;
    }

    bool ParseKey(const wchar_t* p, const wchar_t* end, RegFileContents& contents) {
        const wchar_t* close = end;
        while (close > p && close[-1] != L']') {
            --close;
        }
        if (close == p || !RestIsEmpty(close, end) || SkipBlanks(close, end) != end) {
            return false; // no closing bracket, or something after it
        }
        const wchar_t* name = p + 1;
        const wchar_t* nameEnd = close - 1;
        if (name == nameEnd) {
            return false;
        }
        if (*name == L'-') {
            ++contents.deletionLines; // never carried out
            m_section = Section::kIgnored;
            return true;
        }
        const int length = static_cast<int>(nameEnd - name);
        if (CompareStringOrdinal(name, length, kSettingsKeyPath, -1, TRUE) == CSTR_EQUAL) {
            m_section = Section::kSettings;
            m_sawSettingsKey = true;
        } else {
            m_section = Section::kIgnored;
            ++contents.otherKeys;
        }
        return true;
    }

    bool ParseValue(const wchar_t* p, const wchar_t* end, RegFileContents& contents) {
        if (m_section == Section::kNone) {
            return false; // a value before any key
        }
        std::wstring name;
        if (*p == L'@') {
            ++p;
        } else if (!ParseQuoted(p, end, false, name)) {
            return false;
        }
        p = SkipBlanks(p, end);
        if (p == end || *p != L'=') {
            return false;
        }
        p = SkipBlanks(p + 1, end);

        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
        if (p < end && *p == L'-') {
            if (!RestIsEmpty(p + 1, end)) {
                return false;
            }
            ++contents.deletionLines;
            return true;
        }
        if (p < end && *p == L'"') {
            std::wstring text;
            if (!ParseQuoted(p, end, true, text) || !RestIsEmpty(p, end)) {
                return false;
            }
            type = REG_SZ;
            const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
            bytes.assign(first, first + (text.size() + 1) * sizeof(wchar_t));
        } else if (StartsWith(p, end, L"dword:")) {
            p += 6;
            DWORD number = 0;
            if (!ParseHexNumber(p, end, &number) || !RestIsEmpty(p, end)) {
                return false;
            }
            type = REG_DWORD;
            bytes.resize(sizeof(number));
            std::memcpy(bytes.data(), &number, sizeof(number));
        } else if (StartsWith(p, end, L"hex:")) {
            type = REG_BINARY;
            if (!ParseHexList(p + 4, end, bytes)) {
                return false;
            }
        } else if (StartsWith(p, end, L"hex(")) {
            p += 4;
            if (!ParseHexNumber(p, end, &type) || !StartsWith(p, end, L"):") ||
                !ParseHexList(p + 2, end, bytes)) {
                return false;
            }
        } else {
            return false;
        }
        if (m_section == Section::kSettings) {
            contents.values.Set(name, type, std::move(bytes));
        }
        return true;
    }

    // Comma-separated bytes of one or two hex digits; a backslash after a comma (or right after
    // the type) continues the list on the next line, as regedit wraps long values.
    bool ParseHexList(const wchar_t* p, const wchar_t* end, std::vector<BYTE>& bytes) {
        bool expectByte = true;
        bool empty = true;
        for (;;) {
            p = SkipBlanks(p, end);
            if (p == end || *p == L';') {
                return empty || !expectByte; // a list may be empty, but not end on a comma
            }
            if (*p == L'\\') {
                if (!expectByte || SkipBlanks(p + 1, end) != end || m_next >= m_lines.size()) {
                    return false; // in mid-byte, followed by more, or the file is cut short
                }
                const Line& next = m_lines[m_next++];
                m_lineNumber = next.number;
                if (next.broken) {
                    return false;
                }
                p = next.begin;
                end = next.end;
                continue;
            }
            if (!expectByte) {
                if (*p != L',') {
                    return false;
                }
                ++p;
                expectByte = true;
                continue;
            }
            const int high = HexDigit(*p);
            if (high < 0) {
                return false;
            }
            int value = high;
            ++p;
            if (p < end && HexDigit(*p) >= 0) {
                value = value * 16 + HexDigit(*p);
                ++p;
            }
            bytes.push_back(static_cast<BYTE>(value));
            expectByte = false;
            empty = false;
        }
    }

    std::vector<Line> m_lines;
    size_t m_next = 0;
    int m_lineNumber = 0;
    Section m_section = Section::kNone;
    bool m_sawSettingsKey = false;
};

} // namespace

RegFileContents ParseRegFile(const BYTE* data, size_t size) {
    RegFileContents contents;
    if (size > kMaxRegFileBytes) {
        contents.error = RegFileError::kTooLarge;
        return contents;
    }
    // regedit's format 5.00 is UTF-16LE with its byte order mark.
    if (size < 2 || data[0] != 0xFF || data[1] != 0xFE) {
        contents.error = RegFileError::kNotRegFile;
        return contents;
    }
    std::wstring text((size - 2) / 2, L'\0');
    if (!text.empty()) {
        std::memcpy(&text[0], data + 2, text.size() * sizeof(wchar_t));
    }
    if (size % 2 != 0) {
        text.push_back(L'\0'); // a stray last byte is half a character: its line cannot be read
    }
    return Parser(text.c_str(), text.size()).Run();
}
