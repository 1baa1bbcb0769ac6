// What the options store reads its values from and writes them to. The settings key of the
// registry is one of each; a .reg file is another, so that loading a backup runs the very same
// rules as loading the key, and a backup holds exactly what a save writes.
#pragma once

#include <windows.h>

#include <functional>

class CValueSource {
public:
    virtual ~CValueSource() = default;
    // As QueryRegValue: a missing value is an error; a value larger than the buffer keeps its
    // first *size bytes and succeeds; *size is the number of bytes stored.
    virtual LSTATUS Query(const wchar_t* name, void* buffer, DWORD* size) const = 0;
    // Every value name, for lists too long to look up index by index.
    virtual void ForEachName(const std::function<void(const wchar_t*)>& visit) const = 0;
};

class CValueSink {
public:
    virtual ~CValueSink() = default;
    // One value, with the type and bytes the registry would be given; false when it failed.
    virtual bool Write(const wchar_t* name, DWORD type, const void* data, DWORD size) = 0;
};
