#include "settings/ExceptionFolderList.h"

#include <cwchar>

bool ExceptionFolderList::Append(const wchar_t* entry) {
    if (entry == nullptr || entry[0] == L'\0') {
        return false;
    }
    const size_t length = wcsnlen(entry, kMaxEntryChars + 1);
    if (length > kMaxEntryChars) {
        return false;
    }
    m_entries.emplace_back(entry, length);
    return true;
}
