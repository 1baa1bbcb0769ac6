// Times LoadOptions and SaveOptions on a key as the first start leaves it, against the floor of
// the same reads and writes done through one open key handle; and saving and loading a backup
// file of the same settings, as the Backup menu does it (written through a temporary file and
// moved into place; read, parsed and loaded by the store's rules). Uses the settings key of the
// prefix it runs in: the key is rewritten.
// Usage: store_bench.exe [rounds]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "app/SettingsBackup.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileParser.h"
#include "settings/RegFileWriter.h"

namespace {

struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<Value> ReadKey() {
    std::vector<Value> values;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameChars = 256;
        BYTE data[4096];
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameChars, nullptr, &type, data, &size) != ERROR_SUCCESS) {
            break;
        }
        values.push_back({name, type, std::vector<BYTE>(data, data + size)});
    }
    RegCloseKey(key);
    return values;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 50;
    RegDeleteTreeW(HKEY_CURRENT_USER, kOptionsKey);
    {
        Options first;
        LoadOptions(first); // writes the first-run values
        SaveOptions(first); // and then every value, as after the first Update
    }
    const std::vector<Value> values = ReadKey();

    const double load = MedianMicroseconds(rounds, [] {
        Options options;
        LoadOptions(options);
    });
    Options saved;
    LoadOptions(saved);
    const double save = MedianMicroseconds(rounds, [&saved] { SaveOptions(saved); });

    const double readFloor = MedianMicroseconds(rounds, [&values] {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key);
        BYTE buffer[2048];
        for (const Value& value : values) {
            DWORD size = sizeof(buffer);
            RegQueryValueExW(key, value.name.c_str(), nullptr, nullptr, buffer, &size);
        }
        RegCloseKey(key);
    });
    const double writeFloor = MedianMicroseconds(rounds, [&values] {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        for (const Value& value : values) {
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        }
        RegCloseKey(key);
    });

    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring backup = std::wstring(folder) + L"travine-bench.reg";
    size_t backupBytes = 0;
    const double saveFile = MedianMicroseconds(rounds, [&saved, &backup, &backupBytes] {
        CRegFileWriter writer(L"bench");
        SaveOptionsTo(writer, saved);
        const std::vector<BYTE> bytes = writer.Bytes();
        backupBytes = bytes.size();
        DWORD error = 0;
        WriteFileReplacing(backup.c_str(), bytes, &error);
    });
    const double loadFile = MedianMicroseconds(rounds, [&backup] {
        std::vector<BYTE> bytes;
        DWORD error = 0;
        ReadWholeFile(backup.c_str(), kMaxRegFileBytes, bytes, &error);
        const RegFileContents contents = ParseRegFile(bytes.data(), bytes.size());
        Options options;
        LoadOptionsFrom(contents.values, options);
    });
    DeleteFileW(backup.c_str());

    std::wprintf(L"store: %zu values, median of %d rounds\n", values.size(), rounds);
    std::wprintf(L"  LoadOptions %8.0f us   one-handle reads  %8.0f us   ratio %.2f\n", load, readFloor,
                 load / readFloor);
    std::wprintf(L"  SaveOptions %8.0f us   one-handle writes %8.0f us   ratio %.2f\n", save, writeFloor,
                 save / writeFloor);
    // The bound: under 20 ms, or within twice the store's own time, whichever is larger.
    std::wprintf(L"backup file: %zu bytes\n", backupBytes);
    std::wprintf(L"  save to file %7.0f us   SaveOptions       %8.0f us   ratio %.2f  %ls\n", saveFile, save,
                 saveFile / save, saveFile < 20000 || saveFile < 2 * save ? L"within bound" : L"OVER BOUND");
    std::wprintf(L"  load file    %7.0f us   LoadOptions       %8.0f us   ratio %.2f  %ls\n", loadFile, load,
                 loadFile / load, loadFile < 20000 || loadFile < 2 * load ? L"within bound" : L"OVER BOUND");
    RegDeleteTreeW(HKEY_CURRENT_USER, kOptionsKey);
    return 0;
}
