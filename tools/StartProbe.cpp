// Starts programs and times each from process creation until its window is up: visible,
// answering messages and with nothing left to paint. Then closes the window and checks that
// the program ended with exit code 0. The programs are started in turn, run after run, so that
// whatever else the machine does falls on all of them alike.
//
// Usage: start_probe.exe [--runs N] program.exe [program.exe ...]
// Prints one line per program: median, minimum and maximum in milliseconds, and the peak
// working set. Exit code 0 when every run showed its window and ended with 0.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "BenchTiming.h"

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchVisibleWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindPendingPaint(HWND hwnd, LPARAM lParam) {
    if (IsWindowVisible(hwnd) && GetUpdateRect(hwnd, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

bool PaintPending(HWND window) {
    bool pending = GetUpdateRect(window, nullptr, FALSE) != FALSE;
    if (!pending) {
        EnumChildWindows(window, FindPendingPaint, reinterpret_cast<LPARAM>(&pending));
    }
    return pending;
}

struct RunResult {
    bool ok = false;
    double milliseconds = 0;
    SIZE_T peakWorkingSet = 0;
};

RunResult RunOnce(const std::wstring& program) {
    RunResult result;
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const double start = NowMicroseconds();
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        fwprintf(stderr, L"cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return result;
    }
    HWND window = nullptr;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    for (;;) {
        Search search = {info.dwProcessId, nullptr};
        EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
        DWORD_PTR answer = 0;
        if (search.found != nullptr &&
            SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) != 0 &&
            !PaintPending(search.found)) {
            window = search.found;
            break;
        }
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0 || GetTickCount64() > deadline) {
            break;
        }
        Sleep(1);
    }
    result.milliseconds = (NowMicroseconds() - start) / 1000.0;

    if (window != nullptr) {
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof(memory))) {
            result.peakWorkingSet = memory.PeakWorkingSetSize;
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        fwprintf(stderr, L"%ls showed no window\n", program.c_str());
    }
    DWORD exitCode = 12345;
    if (WaitForSingleObject(info.hProcess, 15000) != WAIT_OBJECT_0) {
        fwprintf(stderr, L"%ls did not end\n", program.c_str());
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    GetExitCodeProcess(info.hProcess, &exitCode);
    if (window != nullptr && exitCode != 0) {
        fwprintf(stderr, L"%ls ended with %lu\n", program.c_str(), exitCode);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    result.ok = window != nullptr && exitCode == 0;
    return result;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const wchar_t* FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return path.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 1;
    std::vector<std::wstring> programs;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, _wtoi(argv[++i]));
        } else {
            programs.emplace_back(argv[i]);
        }
    }
    if (programs.empty()) {
        fwprintf(stderr, L"usage: start_probe.exe [--runs N] program.exe [program.exe ...]\n");
        return 2;
    }
    std::vector<std::vector<double>> times(programs.size());
    std::vector<SIZE_T> peaks(programs.size(), 0);
    bool allOk = true;
    for (int run = 0; run < runs; ++run) {
        for (size_t p = 0; p < programs.size(); ++p) {
            const RunResult result = RunOnce(programs[p]);
            allOk = allOk && result.ok;
            if (result.ok) {
                times[p].push_back(result.milliseconds);
                peaks[p] = std::max(peaks[p], result.peakWorkingSet);
            }
        }
    }
    wprintf(L"%-24ls %5ls %9ls %9ls %9ls %12ls\n", L"program", L"runs", L"median", L"min", L"max",
            L"peak WS");
    for (size_t p = 0; p < programs.size(); ++p) {
        if (times[p].empty()) {
            wprintf(L"%-24ls %5d %9ls\n", FileName(programs[p]), 0, L"failed");
            continue;
        }
        const auto [low, high] = std::minmax_element(times[p].begin(), times[p].end());
        wprintf(L"%-24ls %5zu %6.0f ms %6.0f ms %6.0f ms %8zu KiB\n", FileName(programs[p]), times[p].size(),
                Median(times[p]), *low, *high, peaks[p] / 1024);
    }
    return allOk ? 0 : 1;
}
