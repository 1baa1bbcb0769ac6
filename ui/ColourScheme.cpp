#include "ui/ColourScheme.h"

namespace {
bool highContrast = false;
}

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
    if (!highContrast) {
        return fixed;
    }
    return GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
}

COLORREF LinkColour(COLORREF fixed, bool enabled) {
    if (!highContrast) {
        return fixed;
    }
    return GetSysColor(enabled ? COLOR_HOTLIGHT : COLOR_GRAYTEXT);
}
