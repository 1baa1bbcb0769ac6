// The column list: a report list with check boxes whose ticked rows stay together on top.
// Each row's item data is the index of its entry in the working column table.
#pragma once

#include "ui/SubclassWnd.h"

class CListView : public CSubclassWnd {
public:
    static constexpr size_t kCellTextChars = 2048;

    uint64_t OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void OnCheckChanged(int item, BOOL checked);

    void MoveItem(BOOL up);
    void UpdateMoveButtons();
    void UpdateItemButtons(int item);

    int GetSelectedItem() const;
    bool IsUnchecked(int item) const; // state image exactly 1

    int m_bManageMoveButtons = 0;
    HWND m_hwndUp = nullptr;
    HWND m_hwndDown = nullptr;
    int m_nForcedItem = -1;
    int m_bSuppressNotify = 0;
    HWND m_hwndParent = nullptr;
    int m_nInsertCmd = 0;
    int m_nDeleteCmd = 0;
    int m_nEditCmd = 0;

private:
    int StateImage(int item) const;
    void SetCheck(int item, bool checked);
    void SelectAndShow(int item);
    void SelectEntry(LPARAM entryIndex);
};
