// Message boxes and dialogs answered from inside the test process, and every box the program
// shows judged by its buttons, its default button and its icon.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

enum class BoxIcon { kNone, kError, kQuestion, kWarning, kInformation, kOther };

struct SeenDialog {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text; // the message text of a message box
    BoxIcon icon = BoxIcon::kNone;
    bool hasYesNo = false;
    std::vector<int> buttons; // of IDOK, IDCANCEL, IDYES and IDNO, in that order
    int defaultButton = 0;    // the one with the default border, which Enter presses
};

// While alive, every dialog (#32770) that becomes active on this thread is recorded and handed
// to the handler once the dialog has finished its own set-up (activation can come before
// WM_INITDIALOG), and the handler decides how to answer (typically by posting a command).
class DialogResponder {
public:
    using Handler = std::function<void(const SeenDialog&)>;
    explicit DialogResponder(Handler handler);
    ~DialogResponder();
    DialogResponder(const DialogResponder&) = delete;
    DialogResponder& operator=(const DialogResponder&) = delete;

    // Answers every message box with one button id.
    static DialogResponder Answering(int buttonId);

    std::vector<SeenDialog> seen;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void OnActivate(HWND hwnd);
    void Respond(HWND hwnd);

    Handler m_handler;
    HHOOK m_hook = nullptr;
    std::set<HWND> m_handled;
    std::vector<HWND> m_pending;
    UINT_PTR m_timer = 0;
    DialogResponder* m_previous = nullptr;
};

void PressButton(HWND dialog, int id); // posts WM_COMMAND id, for the system's own boxes
