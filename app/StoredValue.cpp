#include "app/StoredValue.h"

#include <cwchar>

#include "win32/Handles.h"
#include "win32/SystemCalls.h"

namespace {

constexpr size_t kTextChars = 1024; // a path's room, as the report gives paths

std::wstring TypeName(DWORD type) {
    switch (type) {
    case REG_NONE:
        return L"REG_NONE";
    case REG_SZ:
        return L"REG_SZ";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ";
    case REG_BINARY:
        return L"REG_BINARY";
    case REG_DWORD:
        return L"REG_DWORD";
    case REG_MULTI_SZ:
        return L"REG_MULTI_SZ";
    case REG_QWORD:
        return L"REG_QWORD";
    default:
        return L"種類 " + std::to_wstring(type);
    }
}

} // namespace

StoredValue ReadStored(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    StoredValue value;
    UniqueHkey key;
    value.status = systemCalls.regOpenKeyEx(root, subKey, 0, KEY_QUERY_VALUE, key.put());
    if (value.status != ERROR_SUCCESS) {
        return value;
    }
    wchar_t text[kTextChars] = {};
    value.bytes = sizeof(text) - sizeof(wchar_t); // a value that fills it still ends in a NUL
    value.status =
        RegQueryValueExW(key.get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(text), &value.bytes);
    if (value.IsText()) {
        value.text.assign(text, wcsnlen(text, value.bytes / sizeof(wchar_t)));
    }
    return value;
}

std::wstring DescribeUnusual(const StoredValue& value) {
    if (value.status == ERROR_FILE_NOT_FOUND) {
        return L"値なし";
    }
    if (value.status == ERROR_MORE_DATA) {
        return L"長すぎる値、" + std::to_wstring(value.bytes) + L" バイト";
    }
    if (value.status != ERROR_SUCCESS) {
        return L"読み取れません、エラー " + std::to_wstring(value.status);
    }
    if (!value.IsText()) {
        return TypeName(value.type) + L"、" + std::to_wstring(value.bytes) + L" バイト";
    }
    if (value.text.empty()) {
        return L"空の文字列";
    }
    return value.type == REG_EXPAND_SZ ? TypeName(value.type) : std::wstring();
}

std::wstring ShowStored(const StoredValue& value) {
    const std::wstring unusual = DescribeUnusual(value);
    if (unusual.empty()) {
        return value.text;
    }
    return value.IsText() && !value.text.empty() ? value.text + L"（" + unusual + L"）"
                                                 : L"（" + unusual + L"）";
}
