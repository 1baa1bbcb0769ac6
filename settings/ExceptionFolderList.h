// An ordered list of folder names, name patterns or paths exempt from a fixed view setting.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class ExceptionFolderList {
public:
    static constexpr size_t kMaxEntryChars = 259;

    void Clear() { m_entries.clear(); }
    // Refuses null, empty and over-long entries so that every stored entry can be read back.
    bool Append(const wchar_t* entry);
    size_t Count() const { return m_entries.size(); }
    const wchar_t* At(size_t index) const { return m_entries[index].c_str(); }

private:
    std::vector<std::wstring> m_entries;
};
