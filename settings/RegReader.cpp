#include "settings/RegReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "win32/Handles.h"
#include "win32/SystemCalls.h"

LSTATUS QueryRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name, void* buffer, DWORD* size) {
    UniqueHkey key;
    LSTATUS status = systemCalls.regOpenKeyEx(root, subKey, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const DWORD capacity = *size;
    DWORD stored = capacity;
    status = RegQueryValueExW(key.get(), name, nullptr, nullptr, static_cast<BYTE*>(buffer), &stored);
    if (status == ERROR_SUCCESS) {
        *size = stored;
        return status;
    }
    if (status != ERROR_MORE_DATA) {
        return status;
    }
    // The platform leaves the buffer undefined here, so read the whole value and keep its start.
    std::memset(buffer, 0, capacity);
    *size = 0;
    if (stored <= capacity || stored > kMaxValueBytes) {
        return ERROR_MORE_DATA;
    }
    std::vector<BYTE> whole(stored);
    DWORD wholeSize = stored;
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, whole.data(), &wholeSize) != ERROR_SUCCESS) {
        return ERROR_MORE_DATA;
    }
    const DWORD kept = std::min(capacity, wholeSize);
    std::memcpy(buffer, whole.data(), kept);
    *size = kept;
    return ERROR_SUCCESS;
}

bool ReadRegValue(HKEY root, const wchar_t* subKey, const wchar_t* name, void* buffer, DWORD size) {
    const LSTATUS status = QueryRegValue(root, subKey, name, buffer, &size);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}
