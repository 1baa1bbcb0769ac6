// The colours the program paints with itself. Normally its own fixed colours; while a
// high-contrast scheme is on, the system's colours instead, so that no text keeps a fixed
// colour on a background the user's scheme chose (or the other way round). The labels and the
// page background ask here, so no wrapper decides it alone.
#pragma once

#include <windows.h>

// The owner of the window reads the system's state and reports it here, at start and on every
// colour or setting change.
void SetHighContrast(bool on);
bool IsHighContrast();

// Page and label background.
COLORREF BackgroundColour(COLORREF fixed);
// Text drawn in a fixed colour (black, the hint, the secondary text, the title).
COLORREF TextColour(COLORREF fixed, bool enabled);
// A link's text, normal or under the mouse.
COLORREF LinkColour(COLORREF fixed, bool enabled);
