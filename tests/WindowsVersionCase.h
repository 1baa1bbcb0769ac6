// The Windows version the program reads, set in the prefix's registry for one test: the case
// every test that opens the program starts from, and the cases the Setup page judges.
#pragma once

#include <windows.h>

#include <vector>

#include "RegistryFixtures.h"

// Sets the Windows version values of the prefix for one test and restores them afterwards.
// A null text removes the value.
class WindowsVersionCase {
public:
    WindowsVersionCase();
    ~WindowsVersionCase();
    WindowsVersionCase(const WindowsVersionCase&) = delete;
    WindowsVersionCase& operator=(const WindowsVersionCase&) = delete;

    void SetText(const wchar_t* name, const wchar_t* text);
    void SetBuild(const wchar_t* build) { SetText(L"CurrentBuildNumber", build); }
    void SetProductName(const wchar_t* text) { SetText(L"ProductName", text); }
    void Set(const wchar_t* build, DWORD ubr, const wchar_t* displayVersion);

private:
    struct Saved {
        const wchar_t* name;
        RawValue value;
    };
    std::vector<Saved> m_saved;
};

// A clean registry case for a test that opens the program: no settings key, no extension
// registration, Windows 11 23H2.
void ResetProgramCase(WindowsVersionCase& version);
