// Helpers shared by the test programs: the message loop run until something holds, test windows,
// the folders, files and records a test compares, and programs run to their end. It includes
// the other parts, so that a test file includes this one header.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ControlQueries.h"
#include "DialogResponder.h"
#include "RealInput.h"
#include "RegistryFixtures.h"
#include "SystemCallRecorder.h"
#include "WindowsVersionCase.h"
#include "settings/Options.h"
#include "settings/RegFileParser.h"

// Runs the message loop until pred() holds or timeoutMs passes; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);
void PumpFor(DWORD ms);

// A top-level window of a class of the test's own, with proc as its window procedure.
HWND CreateTestWindow(const wchar_t* className, WNDPROC proc, DWORD style, int width, int height);

std::wstring ProgramFolder(); // with trailing backslash

// Every field of a record but OptionInitialized, as a backup file holds it: two records are the
// same settings exactly when these bytes are equal.
std::vector<BYTE> RecordBytes(Options& options);
// A .reg file's bytes: the UTF-16LE byte order mark and the text; and that file parsed.
std::vector<BYTE> Utf16File(const std::wstring& text);
RegFileContents Parse(const std::wstring& text);
bool WriteBytes(const std::wstring& path, const std::vector<BYTE>& bytes);
std::vector<BYTE> ReadBytes(const std::wstring& path);
// Runs a program to its end (at most timeoutMs, then it is ended with 99), its standard output
// and error caught.
struct ProgramRun {
    DWORD exitCode = 12345; // not started
    DWORD milliseconds = 0;
    std::string output;
};
ProgramRun RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 60000);
std::wstring SystemFolder(); // with trailing backslash
