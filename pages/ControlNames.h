// The names screen readers announce for the pages' controls. A control without text of its own
// is named by the label right before it in the z-order; where two controls of a page would share
// a name (the file and the folder command, the two exception lists) or have none that says what
// they do (▲ and ▼), they are named directly through the platform's annotation. The Version page's
// links, statics to the system, are annotated as links with their default action.
#pragma once

#include <windows.h>

// At start-up, before the window is shown: every label right before the control it names.
void ArrangeLabels();
// Once the window is up (the annotation service is loaded late, so start-up does not pay for it).
void AnnotateControlNames();
// When a page goes: its annotations are taken back.
void ClearControlNames(HWND page);
