// The settings key HKCU\Software\Travine11 as the store's source and sink: one open and close
// per value, never a handle kept.
#pragma once

#include "settings/ValueSource.h"

extern const wchar_t kOptionsKey[];

class CRegistryValues : public CValueSource, public CValueSink {
public:
    LSTATUS Query(const wchar_t* name, void* buffer, DWORD* size) const override;
    void ForEachName(const std::function<void(const wchar_t*)>& visit) const override;
    bool Write(const wchar_t* name, DWORD type, const void* data, DWORD size) override;
};
