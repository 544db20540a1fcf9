// minimal_exit: the reference for start-up cost, a GUI-subsystem program that starts and exits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
