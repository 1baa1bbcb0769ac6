// Writes the store's values as regedit exports them: "Windows Registry Editor Version 5.00",
// UTF-16LE with its byte order mark, CR LF line ends, one section for the settings key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings/ValueSource.h"

class CRegFileWriter : public CValueSink {
public:
    // comment: one line naming what wrote the file, written as a ";" comment.
    explicit CRegFileWriter(const wchar_t* comment);

    bool Write(const wchar_t* name, DWORD type, const void* data, DWORD size) override;
    // The whole file as it goes to disk, byte order mark first.
    std::vector<BYTE> Bytes() const;

private:
    void WriteHex(DWORD type, const BYTE* bytes, DWORD size);

    std::wstring m_text;
};
