#include "ui/ColourScheme.h"

namespace {
bool highContrast = false;

// Under high contrast the scheme's colour of that element, or its grey while disabled.
COLORREF SchemeColour(COLORREF fixed, int element, bool enabled) {
    return highContrast ? GetSysColor(enabled ? element : COLOR_GRAYTEXT) : fixed;
}
} // namespace

void SetHighContrast(bool on) {
    highContrast = on;
}

bool IsHighContrast() {
    return highContrast;
}

COLORREF BackgroundColour(COLORREF fixed) {
    return highContrast ? GetSysColor(COLOR_BTNFACE) : fixed;
}

COLORREF TextColour(COLORREF fixed, bool enabled) {
    return SchemeColour(fixed, COLOR_BTNTEXT, enabled);
}

COLORREF LinkColour(COLORREF fixed, bool enabled) {
    return SchemeColour(fixed, COLOR_HOTLIGHT, enabled);
}
