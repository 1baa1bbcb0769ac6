// Where the process looks for DLLs loaded by bare name after start: the system folder only.
// Windows otherwise searches the program's own folder first, and a program started from
// Downloads would load whatever a web page dropped there under a system DLL's name.
#pragma once

// The first statement of the program, before anything can load a DLL. False when the system
// refused (it never does on the Windows versions the program runs on).
bool RestrictDllSearchToSystemFolder();
