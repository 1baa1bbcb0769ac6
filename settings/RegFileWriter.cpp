#include "settings/RegFileWriter.h"

#include <cstring>
#include <cwchar>
#include <iterator>

#include "settings/RegFileParser.h"

namespace {

// regedit breaks hex lists before this column, continuing with a backslash and two blanks.
constexpr size_t kHexLineChars = 77;

void AppendQuoted(std::wstring& out, const wchar_t* text, size_t length) {
    out += L'"';
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\\' || text[i] == L'"') {
            out += L'\\';
        }
        out += text[i];
    }
    out += L'"';
}

// A text that the quoted form carries as it is: NUL-terminated with no other NUL, and without
// line breaks, which not every importer reads back from an escape.
bool IsPlainText(const BYTE* data, DWORD size) {
    if (size < sizeof(wchar_t) || size % sizeof(wchar_t) != 0) {
        return false;
    }
    const size_t units = size / sizeof(wchar_t);
    for (size_t i = 0; i < units; ++i) {
        wchar_t c;
        std::memcpy(&c, data + i * sizeof(wchar_t), sizeof(c));
        if ((c == L'\0') != (i + 1 == units) || c == L'\r' || c == L'\n') {
            return false;
        }
    }
    return true;
}

} // namespace

CRegFileWriter::CRegFileWriter(const wchar_t* comment)
    : m_text(L"Windows Registry Editor Version 5.00\r\n\r\n; ") {
    m_text += comment;
    m_text += L"\r\n\r\n[";
    m_text += kSettingsKeyPath;
    m_text += L"]\r\n";
}

bool CRegFileWriter::Write(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    const auto* bytes = static_cast<const BYTE*>(data);
    AppendQuoted(m_text, name, wcslen(name));
    m_text += L'=';
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value;
        std::memcpy(&value, bytes, sizeof(value));
        wchar_t number[16];
        swprintf(number, std::size(number), L"dword:%08lx", static_cast<unsigned long>(value));
        m_text += number;
    } else if (type == REG_SZ && IsPlainText(bytes, size)) {
        std::wstring text(size / sizeof(wchar_t) - 1, L'\0');
        std::memcpy(&text[0], bytes, text.size() * sizeof(wchar_t));
        AppendQuoted(m_text, text.c_str(), text.size());
    } else {
        WriteHex(type, bytes, size);
    }
    m_text += L"\r\n";
    return true;
}

void CRegFileWriter::WriteHex(DWORD type, const BYTE* bytes, DWORD size) {
    // The name and "=" are already on the line.
    const size_t lastBreak = m_text.rfind(L'\n');
    size_t lineLength = m_text.size() - (lastBreak == std::wstring::npos ? 0 : lastBreak + 1);
    wchar_t prefix[16];
    if (type == REG_BINARY) {
        swprintf(prefix, std::size(prefix), L"hex:");
    } else {
        swprintf(prefix, std::size(prefix), L"hex(%lx):", static_cast<unsigned long>(type));
    }
    m_text += prefix;
    lineLength += wcslen(prefix);
    for (DWORD i = 0; i < size; ++i) {
        wchar_t pair[4];
        swprintf(pair, std::size(pair), L"%02x", static_cast<unsigned>(bytes[i]));
        m_text += pair;
        if (i + 1 == size) {
            break;
        }
        m_text += L',';
        lineLength += 3;
        if (lineLength >= kHexLineChars) {
            m_text += L"\\\r\n  ";
            lineLength = 2;
        }
    }
}

std::vector<BYTE> CRegFileWriter::Bytes() const {
    const std::wstring whole = m_text + L"\r\n"; // regedit ends its files with a blank line
    std::vector<BYTE> out(2 + whole.size() * sizeof(wchar_t));
    out[0] = 0xFF; // UTF-16LE byte order mark
    out[1] = 0xFE;
    std::memcpy(out.data() + 2, whole.data(), whole.size() * sizeof(wchar_t));
    return out;
}
