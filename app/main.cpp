// Process entry point of Nimbara.exe.
#include "app/instance.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return runClient(instance, commandLine);
}
