// A hyperlink label: underlined in the hover colour under the mouse, opened on button release,
// as a mail link when the text holds an at sign. With the focus (given by the keyboard), it shows
// a focus rectangle and Enter or Space opens it as a click does.
#pragma once

#include "ui/FontLabelWnd.h"

class CUrlLabelWnd : public CFontLabelWnd {
public:
    static constexpr size_t kTargetChars = 260;

    CUrlLabelWnd();

    uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The target the label opens: its text, or "mailto:" and its text; always terminated.
    void BuildTarget(wchar_t (&target)[kTargetChars]) const;

    COLORREF m_crHover;
    int m_bHover;

protected:
    virtual void OpenTarget(const wchar_t* target);

private:
    void Open(HWND hWnd);
    void Paint(HWND hWnd);
};
