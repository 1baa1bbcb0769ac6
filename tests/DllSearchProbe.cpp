// Started by the process tests: loads a DLL by bare name that lies beside this program and that
// Wine has no copy of its own of. With "harden" it first restricts the search as the program's
// start does. Exit code: 0 when the DLL was loaded, 2 when it was not.
#include <windows.h>

#include <cwchar>

#include "app/DllSearch.h"

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && wcscmp(argv[1], L"harden") == 0 && !RestrictDllSearchToSystemFolder()) {
        return 3;
    }
    return LoadLibraryW(L"travine_planted.dll") != nullptr ? 0 : 2;
}
