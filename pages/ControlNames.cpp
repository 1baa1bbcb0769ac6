#include "pages/ControlNames.h"

#include <oleacc.h>

#include "app/OptionsWindow.h"
#include "pages/PageBinding.h"
#include "pages/PageIds.h"
#include "resource.h"
#include "win32/SystemCalls.h"

namespace {

struct LabelPlace {
    int pageId;
    int labelId;
    int controlId;
};

// The template puts the column list's buttons between it and its label.
const LabelPlace kLabelPlaces[] = {
    {kListView2Page, IDC_LV2_COLUMN_LABEL, IDC_LV2_COLUMN_LIST},
};

struct Annotation {
    int pageId;
    int controlId;
    AccessibleAnnotation parts;
};

// What a link's default action is called in a Japanese Windows ("Jump" in an English one).
const wchar_t kLinkAction[] = L"ジャンプ";

const Annotation kAnnotations[] = {
    {kListView1Page, IDC_LV1_FILE_PROG, {L"ファイルが選択された場合のプログラム", 0, nullptr}},
    {kListView1Page, IDC_LV1_FILE_BROWSE, {L"ファイルが選択された場合のプログラムを選択...", 0, nullptr}},
    {kListView1Page, IDC_LV1_FILE_ARG, {L"ファイルが選択された場合の引数", 0, nullptr}},
    {kListView1Page, IDC_LV1_FLDR_PROG, {L"フォルダが選択された場合のプログラム", 0, nullptr}},
    {kListView1Page, IDC_LV1_FLDR_BROWSE, {L"フォルダが選択された場合のプログラムを選択...", 0, nullptr}},
    {kListView1Page, IDC_LV1_FLDR_ARG, {L"フォルダが選択された場合の引数", 0, nullptr}},
    {kListView2Page, IDC_LV2_VIEW_MODE_EF, {kViewModeExceptionsName, 0, nullptr}},
    {kListView2Page, IDC_LV2_COLUMN_EF, {kColumnExceptionsName, 0, nullptr}},
    {kListView2Page, IDC_LV2_UP, {L"カラムを上へ移動", 0, nullptr}},
    {kListView2Page, IDC_LV2_DOWN, {L"カラムを下へ移動", 0, nullptr}},
    // Read by their text, which a static gives; what they are and do, it does not.
    {kVersionPage, IDC_VER_MAIL, {nullptr, ROLE_SYSTEM_LINK, kLinkAction}},
    {kVersionPage, IDC_VER_WEB, {nullptr, ROLE_SYSTEM_LINK, kLinkAction}},
};

// Taking names back costs loading the service; a window closed before it named anything skips it.
bool annotated = false;

} // namespace

void ArrangeLabels() {
    for (const LabelPlace& place : kLabelPlaces) {
        HWND label = PageControl(place.pageId, place.labelId);
        HWND control = PageControl(place.pageId, place.controlId);
        if (label == nullptr || control == nullptr) {
            continue;
        }
        HWND before = GetWindow(control, GW_HWNDPREV);
        if (before != label) {
            SetWindowPos(label, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

void AnnotateControlNames() {
    annotated = true;
    for (const Annotation& annotation : kAnnotations) {
        HWND control = PageControl(annotation.pageId, annotation.controlId);
        if (control != nullptr) {
            systemCalls.annotateAccessible(control, &annotation.parts);
        }
    }
}

void ClearControlNames(HWND page) {
    if (!annotated) {
        return;
    }
    for (const Annotation& annotation : kAnnotations) {
        if (page == FindPageWindow(annotation.pageId)) {
            HWND control = GetDlgItem(page, annotation.controlId);
            if (control != nullptr) {
                systemCalls.annotateAccessible(control, nullptr);
            }
        }
    }
}
