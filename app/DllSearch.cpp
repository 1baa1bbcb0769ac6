#include "app/DllSearch.h"

#include <windows.h>

bool RestrictDllSearchToSystemFolder() {
    return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}
