// The program's table of real system calls, each entry met with its real function: elsewhere a
// recorder takes the table's place, so an entry wired to a neighbouring function, or two entries
// swapped, shows only here. Each call is one whose real effect tells it from its neighbours.
#include <gtest/gtest.h>
#include <windows.h>
#include <cderr.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "win32/SystemCalls.h"

namespace {

std::string Bytes(const std::wstring& path) {
    const std::vector<BYTE> bytes = ReadBytes(path);
    return bytes.empty() ? "(none)" : std::string(bytes.begin(), bytes.end());
}

// An existing file chosen in a file dialog that is asked for both the open dialog's check (the
// file must exist) and the save dialog's (may it be replaced?): only a save dialog asks, and the
// question is answered Yes. Gives what the dialog returned and the questions asked.
std::string Choose(BOOL(WINAPI* dialog)(OPENFILENAMEW*), const std::wstring& existing) {
    int questions = 0;
    DialogResponder responder([&](const SeenDialog& shown) {
        if (GetDlgItem(shown.hwnd, 0x47c) != nullptr) {
            SendMessageW(shown.hwnd, CDM_SETCONTROLTEXT, 0x47c, reinterpret_cast<LPARAM>(existing.c_str()));
            PressButton(shown.hwnd, IDOK);
        } else {
            questions += shown.hasYesNo ? 1 : 100;
            PressButton(shown.hwnd, IDYES);
        }
    });
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
    const BOOL chosen = dialog(&ofn);
    return std::to_string(chosen) + (existing == path ? " the file" : " another file") + ", asked " +
           std::to_string(questions) + (chosen ? "" : " error " + std::to_string(CommDlgExtendedError()));
}

// Opens a key of HKEY_CURRENT_USER for reading and closes it again: the status.
std::string Opens(LSTATUS(WINAPI* open)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY), const std::wstring& path) {
    HKEY key = nullptr;
    const LSTATUS status = open(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    RegCloseKey(key);
    return std::to_string(status) + " ";
}

TEST(SystemCallsReal, EveryEntryOfTheRealTableReachesItsOwnFunction) {
    const SystemCalls& real = kRealSystemCalls;
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // Spaces in the name: it has a short form of its own.
    const std::wstring folder = std::wstring(temp) + L"Travine seam test " + std::to_wstring(now.QuadPart);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring older = folder + L"\\older.reg", newer = folder + L"\\newer.tmp";
    ASSERT_TRUE(WriteBytes(older, {'o', 'l', 'd'}));
    const std::wstring key = L"Software\\Travine seam test " + std::to_wstring(now.QuadPart);
    HWND label =
        CreateWindowW(L"STATIC", L"ラベル", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);

    const struct {
        const char* entry;
        std::function<std::string()> call;
        std::string expected;
    } rows[] = {
        {"getOpenFileName", [&] { return Choose(real.getOpenFileName, older); }, "1 the file, asked 0"},
        {"getSaveFileName", [&] { return Choose(real.getSaveFileName, older); }, "1 the file, asked 1"},
        {"regCreateKeyEx",
         [&] {
             std::string made;
             for (int pass = 0; pass < 2; ++pass) {
                 HKEY created = nullptr;
                 DWORD disposition = 0;
                 const LSTATUS status =
                     real.regCreateKeyEx(HKEY_CURRENT_USER, (key + L"\\sub").c_str(), 0, nullptr, 0,
                                         KEY_WRITE, nullptr, &created, &disposition);
                 made +=
                     std::to_string(status) + (disposition == REG_CREATED_NEW_KEY ? " new " : " existing ");
                 RegCloseKey(created);
             }
             return made;
         },
         "0 new 0 existing "},
        {"regOpenKeyEx",
         [&] {
             return Opens(real.regOpenKeyEx, key + L"\\sub") + Opens(real.regOpenKeyEx, key + L"\\missing");
         },
         "0 2 "},
        // A key with a key below it, which a plain key deletion refuses.
        {"deleteKeyTree",
         [&] {
             const std::string deleted = std::to_string(real.deleteKeyTree(HKEY_CURRENT_USER, key.c_str()));
             return deleted + " " + Opens(RegOpenKeyExW, key);
         },
         "0 2 "},
        {"writeFile",
         [&] {
             HANDLE file = CreateFileW(newer.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
             DWORD written = 0;
             const BOOL ok = real.writeFile(file, "new", 3, &written, nullptr);
             CloseHandle(file);
             return std::to_string(ok) + " " + std::to_string(written) + " " + Bytes(newer);
         },
         "1 3 new"},
        {"moveFileEx",
         [&] {
             const BOOL ok = real.moveFileEx(newer.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING);
             return std::to_string(ok) + " " + Bytes(older) + " " + Bytes(newer);
         },
         "1 new (none)"},
        {"getShortPathName",
         [&] {
             wchar_t shortForm[MAX_PATH] = {};
             wchar_t longForm[MAX_PATH] = {};
             const DWORD length = real.getShortPathName(folder.c_str(), shortForm, MAX_PATH);
             GetLongPathNameW(shortForm, longForm, MAX_PATH);
             return std::string(length > 0 && std::wstring(shortForm).find(L' ') == std::wstring::npos
                                    ? "short"
                                    : "not short") +
                    (folder == longForm ? ", the same folder" : ", another folder");
         },
         "short, the same folder"},
        {"systemParametersInfo",
         [&] {
             HIGHCONTRASTW scheme = {};
             scheme.cbSize = sizeof(scheme);
             return std::to_string(
                 real.systemParametersInfo(SPI_GETHIGHCONTRAST, sizeof(scheme), &scheme, 0));
         },
         "1"},
        // Wine's annotation service is a stub that answers E_NOTIMPL; Windows' answers S_OK. Any
        // other answer means the call never reached the service.
        {"annotateAccessible",
         [&] {
             const AccessibleAnnotation named = {L"名前", 0, nullptr};
             std::string answers;
             for (const AccessibleAnnotation* annotation :
                  {&named, static_cast<const AccessibleAnnotation*>(nullptr)}) {
                 const HRESULT result = real.annotateAccessible(label, annotation);
                 answers +=
                     result == S_OK || result == E_NOTIMPL ? "annotated " : std::to_string(result) + " ";
             }
             return answers;
         },
         "annotated annotated "},
        // The drive calls meet a local drive, which is neither mapped nor SUBST. (Wine's shutdown-block
        // reasons are stubs that fail alike, so nothing here tells those two entries apart.)
        {"getDriveType", [&] { return std::to_string(real.getDriveType(L"C:\\")); }, "3"},
        {"queryDosDevice",
         [&] {
             wchar_t device[MAX_PATH] = {};
             const DWORD chars = real.queryDosDevice(L"C:", device, MAX_PATH);
             return std::string(chars > 0 && wcsncmp(device, L"\\Device\\", 8) == 0 ? "a device"
                                                                                    : "no device");
         },
         "a device"},
        {"getUniversalName",
         [&] {
             BYTE buffer[1024] = {};
             DWORD bytes = sizeof(buffer);
             return std::to_string(real.getUniversalName(L"C:\\", UNIVERSAL_NAME_INFO_LEVEL, buffer, &bytes));
         },
         std::to_string(ERROR_NOT_CONNECTED)},
        // Harmless: a file that does not exist, which the shell reports without opening anything.
        {"shellExecute",
         [&] {
             return std::to_string(reinterpret_cast<INT_PTR>(real.shellExecute(
                 nullptr, L"open", (folder + L"\\missing.txt").c_str(), nullptr, nullptr, SW_SHOWNORMAL)));
         },
         "2"},
        {"shellExecuteEx",
         [&] {
             const std::wstring missing = folder + L"\\missing.txt";
             SHELLEXECUTEINFOW info = {};
             info.cbSize = sizeof(info);
             info.fMask = SEE_MASK_FLAG_NO_UI;
             info.lpVerb = L"open";
             info.lpFile = missing.c_str();
             info.nShow = SW_SHOWNORMAL;
             const BOOL ok = real.shellExecuteEx(&info);
             return std::to_string(ok) + " " + std::to_string(GetLastError());
         },
         "0 2"},
    };
    for (const auto& row : rows) {
        DialogResponder boxes = DialogResponder::Answering(IDOK); // none expected; none may hang
        EXPECT_EQ(row.expected, row.call()) << row.entry;
        EXPECT_TRUE(boxes.seen.empty()) << row.entry << " showed a box";
    }
    DestroyWindow(label);
    SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    DeleteFileW(older.c_str());
    DeleteFileW(newer.c_str());
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}

} // namespace
