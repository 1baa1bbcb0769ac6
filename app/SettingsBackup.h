// The Backup button of the options window: saving what the window shows to a .reg file,
// loading a .reg file into the window and going back to the defaults. Loaded or reset settings
// are unsaved changes, like the user's own edits: nothing reaches the registry before Update.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// Opens the menu below the Backup button and carries out the command chosen.
void ShowBackupMenu(HWND window);

void SaveSettingsToFile(HWND owner);
void LoadSettingsFromFile(HWND owner);
void ResetSettingsToDefaults(HWND owner);

// Writes bytes to a temporary file beside path and moves it over path, so that a failure never
// leaves a half-written file nor destroys an older one. False with the system error code.
bool WriteFileReplacing(const wchar_t* path, const std::vector<BYTE>& bytes, DWORD* error);

enum class FileReadResult { kRead, kTooLarge, kFailed };
// The whole file, if it holds at most maxBytes; kFailed comes with the system error code.
FileReadResult ReadWholeFile(const wchar_t* path, size_t maxBytes, std::vector<BYTE>& bytes, DWORD* error);
