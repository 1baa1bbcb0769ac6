// The Windows version values under HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion.
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kFirstWindows11Build = 22000;
extern const wchar_t kCurrentVersionKey[];

// Decimal conversion as the C runtime does it: leading blanks, one sign, digits up to the first
// non-digit; no digits gives 0. Out-of-range values saturate like wcstol.
uint32_t ParseBuildNumber(const wchar_t* text);

// CurrentBuildNumber as a number, from at most its first 15 characters; 0 when it cannot be read.
uint32_t ReadWindowsBuildNumber();

inline bool IsWindows11Build(uint32_t build) {
    return build >= kFirstWindows11Build;
}

// "Windows 11" or "Windows 10", as winver and the Setup page name the running build.
const wchar_t* WindowsName(uint32_t build);

// The name winver shows: the build's Windows and the edition of the stored ProductName, which
// Windows 11 still stores as "Windows 10 <edition>". Without an edition there, the name alone.
std::wstring WindowsProductName(uint32_t build, const std::wstring& storedProductName);
