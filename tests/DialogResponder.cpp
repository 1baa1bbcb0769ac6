#include "DialogResponder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "ControlQueries.h"

namespace {
thread_local DialogResponder* activeResponder = nullptr;
} // namespace

DialogResponder::DialogResponder(Handler handler) : m_handler(std::move(handler)) {
    m_previous = activeResponder;
    activeResponder = this;
    m_hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

DialogResponder::~DialogResponder() {
    if (m_timer != 0) {
        KillTimer(nullptr, m_timer);
    }
    if (m_hook != nullptr) {
        UnhookWindowsHookEx(m_hook);
    }
    activeResponder = m_previous;
}

LRESULT CALLBACK DialogResponder::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeResponder != nullptr) {
        activeResponder->OnActivate(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogResponder::OnActivate(HWND hwnd) {
    wchar_t className[32] = {};
    GetClassNameW(hwnd, className, 32);
    if (wcscmp(className, L"#32770") != 0 || !m_handled.insert(hwnd).second) {
        return;
    }
    m_pending.push_back(hwnd);
    if (m_timer == 0) {
        m_timer = SetTimer(nullptr, 0, 1, TimerProc);
    }
}

void CALLBACK DialogResponder::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
    DialogResponder* self = activeResponder;
    if (self == nullptr) {
        return;
    }
    KillTimer(nullptr, self->m_timer);
    self->m_timer = 0;
    std::vector<HWND> pending;
    pending.swap(self->m_pending);
    for (HWND hwnd : pending) {
        if (IsWindow(hwnd)) {
            self->Respond(hwnd);
        }
    }
}

namespace {
// Every box the program shows, by a part of its text no other box has (the first row that
// matches): the buttons it offers, the one Enter presses and its icon.
void JudgeProgramBox(const SeenDialog& box) {
    using Buttons = std::vector<int>;
    const Buttons ok = {IDOK}, yesNo = {IDYES, IDNO};
    const struct {
        const wchar_t* words;
        Buttons buttons;
        BoxIcon icon;
    } kBoxes[] = {
        {L"変更を保存せずに終了しますか?", yesNo, BoxIcon::kQuestion},
        {L"オプション設定を削除しますか?", yesNo, BoxIcon::kQuestion},
        {L"全ての設定を既定に戻しますか?", yesNo, BoxIcon::kQuestion},
        {L"オプション設定を保存しました。\n\n設定を反映させるためには", ok, BoxIcon::kQuestion},
        {L"オプション設定を削除しました", ok, BoxIcon::kInformation},
        {L"インストールに成功しました", ok, BoxIcon::kInformation}, // アンインストール too
        {L"設定をファイルに保存しました。", ok, BoxIcon::kInformation},
        {L"設定をファイルから読み込みました。", ok, BoxIcon::kInformation},
        {L"クリップボードにコピーしました。", ok, BoxIcon::kInformation},
        {L"カラムは非表示にできません。", ok, BoxIcon::kWarning},
        {L"に失敗しました", ok, BoxIcon::kError}, // saving, installing, removing
        {L"ファイルが見つかりません", ok, BoxIcon::kError},
        {L"できませんでした", ok, BoxIcon::kError}, // a file or the report
        {L"読み込めませんでした", ok, BoxIcon::kError},
        {L"行目が長すぎます", ok, BoxIcon::kError},
        {L"サポート外のOSです", ok, BoxIcon::kError},
    };
    const auto* row = std::find_if(std::begin(kBoxes), std::end(kBoxes), [&](const auto& b) {
        return box.text.find(b.words) != std::wstring::npos;
    });
    if (row == std::end(kBoxes)) {
        ADD_FAILURE() << "a box no one expects: " << testing::PrintToString(box.text);
        return;
    }
    EXPECT_EQ(row->buttons, box.buttons) << testing::PrintToString(box.text);
    EXPECT_EQ(row->buttons.front(), box.defaultButton) << testing::PrintToString(box.text);
    EXPECT_EQ(row->icon, box.icon) << testing::PrintToString(box.text);
}
} // namespace

void DialogResponder::Respond(HWND hwnd) {
    SeenDialog dialog;
    dialog.hwnd = hwnd;
    dialog.caption = WindowText(hwnd);
    dialog.text = WindowText(GetDlgItem(hwnd, 0xFFFF));
    dialog.hasYesNo = GetDlgItem(hwnd, IDYES) != nullptr && GetDlgItem(hwnd, IDNO) != nullptr;
    HWND iconControl = GetDlgItem(hwnd, 0x440);
    if (iconControl != nullptr) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(iconControl, STM_GETICON, 0, 0));
        dialog.icon = icon == nullptr                               ? BoxIcon::kNone
                      : icon == LoadIconW(nullptr, IDI_ERROR)       ? BoxIcon::kError
                      : icon == LoadIconW(nullptr, IDI_QUESTION)    ? BoxIcon::kQuestion
                      : icon == LoadIconW(nullptr, IDI_WARNING)     ? BoxIcon::kWarning
                      : icon == LoadIconW(nullptr, IDI_INFORMATION) ? BoxIcon::kInformation
                                                                    : BoxIcon::kOther;
    }
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = GetDlgItem(hwnd, id);
        if (button != nullptr) {
            dialog.buttons.push_back(id);
            if ((GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                dialog.defaultButton = id;
            }
        }
    }
    if (dialog.caption == L"Travine for Windows 10/11") {
        JudgeProgramBox(dialog);
    }
    seen.push_back(dialog);
    if (m_handler) {
        m_handler(dialog);
    }
}

DialogResponder DialogResponder::Answering(int buttonId) {
    return DialogResponder([buttonId](const SeenDialog& dialog) { PressButton(dialog.hwnd, buttonId); });
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}
