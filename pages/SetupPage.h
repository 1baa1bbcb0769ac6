// The Setup page: the Windows check, DLL registration through an elevated regsvr32.exe,
// removal of the settings and opening the install folder.
#pragma once

#include <windows.h>

#include <cstdint>

extern const wchar_t kExtensionClsidKey[];

struct SupportedBuild {
    uint32_t build;
    uint32_t minUbr;
    uint32_t maxUbr;
};

// Starts file with params elevated, waits and yields its exit code; false when it could not
// be started (the user declined the elevation, for one).
bool RunElevatedAndWait(HWND owner, const wchar_t* file, const wchar_t* params, DWORD* exitCode);

bool IsExtensionRegistered();
const wchar_t* JudgeWindowsBuild(uint32_t build, uint32_t ubr);

void ShowWindowsVersionCheck();
void UpdateRegistrationButtons();
bool RunRegsvr32(HWND owner, bool registerDll);
void RemoveOptions(HWND owner);
void OpenInstallFolder(HWND owner);
