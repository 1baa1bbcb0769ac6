#include "win32/VersionBlock.h"

#include <winver.h>

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

// The fixed part of a version block, read strictly within the block's bytes: the block may come
// from any file that lies beside the program.
bool ReadFixedVersion(const BYTE* block, size_t size, std::wstring& version) {
    constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
    constexpr size_t kHeaderBytes = 3 * sizeof(WORD); // length, value length, type
    constexpr size_t kFixedAt = (kHeaderBytes + sizeof(kKey) + 3) & ~size_t{3};
    if (block == nullptr || size < kFixedAt + sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    WORD valueBytes = 0;
    std::memcpy(&valueBytes, block + sizeof(WORD), sizeof(valueBytes));
    VS_FIXEDFILEINFO fixed = {};
    std::memcpy(&fixed, block + kFixedAt, sizeof(fixed));
    if (valueBytes < sizeof(fixed) || std::memcmp(block + kHeaderBytes, kKey, sizeof(kKey)) != 0 ||
        fixed.dwSignature != VS_FFI_SIGNATURE) {
        return false;
    }
    wchar_t text[48];
    swprintf(text, std::size(text), L"%u.%u.%u.%u", HIWORD(fixed.dwFileVersionMS),
             LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    version = text;
    return true;
}

} // namespace

bool ModuleVersion(HMODULE module, std::wstring& version) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data != nullptr &&
           ReadFixedVersion(static_cast<const BYTE*>(data), SizeofResource(module, resource), version);
}

// Mapped as data only, by its full path: no code of the file ever runs in this program.
bool FileVersion(const wchar_t* path, std::wstring& version) {
    HMODULE file = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (file == nullptr) {
        return false;
    }
    const bool found = ModuleVersion(file, version);
    FreeLibrary(file);
    return found;
}
