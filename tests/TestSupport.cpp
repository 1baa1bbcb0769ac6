#include "TestSupport.h"

#include <shlwapi.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/OptionsWindow.h"
#include "app/Startup.h"
#include "settings/OptionsStore.h"
#include "settings/RegFileWriter.h"

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                continue;
            }
            // Through the program's own loop while its window is open.
            if (optionsWindow != nullptr) {
                ProcessLoopMessage(optionsWindow, msg);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pred()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return pred();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

HWND CreateTestWindow(const wchar_t* className, WNDPROC proc, DWORD style, int width, int height) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowW(className, L"", style, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return std::wstring(path) + L"\\";
}

std::vector<BYTE> RecordBytes(Options& options) {
    CRegFileWriter writer(L"record");
    SaveOptionsTo(writer, options);
    return writer.Bytes();
}

std::vector<BYTE> Utf16File(const std::wstring& text) {
    std::vector<BYTE> bytes(2 + text.size() * sizeof(wchar_t));
    bytes[0] = 0xFF;
    bytes[1] = 0xFE;
    if (!text.empty()) {
        std::memcpy(bytes.data() + 2, text.data(), text.size() * sizeof(wchar_t));
    }
    return bytes;
}

RegFileContents Parse(const std::wstring& text) {
    const std::vector<BYTE> bytes = Utf16File(text);
    return ParseRegFile(bytes.data(), bytes.size());
}

bool WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

std::vector<BYTE> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs) {
    static int runs = 0;
    // A log of its own per run: Wine may hold the last one's handle a moment after the exit.
    const std::wstring log = ProgramFolder() + L"run-" + std::to_wstring(++runs) + L".log";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION info = {};
    ProgramRun run;
    const ULONGLONG start = GetTickCount64();
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 99); // held, as by a debugger
            WaitForSingleObject(info.hProcess, 5000);
        }
        run.milliseconds = static_cast<DWORD>(GetTickCount64() - start);
        GetExitCodeProcess(info.hProcess, &run.exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(output);
    const std::vector<BYTE> bytes = ReadBytes(log);
    run.output.assign(bytes.begin(), bytes.end());
    DeleteFileW(log.c_str());
    return run;
}

std::wstring SystemFolder() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\";
}
