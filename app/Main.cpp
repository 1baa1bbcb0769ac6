#include <windows.h>

#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int) {
    return RunTravine(hInstance);
}
