// Multi-line edit whose Home and End (with or without Shift) stay within the caret's line.
#pragma once

#include "ui/SubclassWnd.h"

class CMultiEdit : public CSubclassWnd {
public:
    uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
};
