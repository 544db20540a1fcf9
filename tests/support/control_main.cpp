// nimctl: the control tool for scripts (the README's run command, the benchmark).
//   nimctl wait SECONDS       wait until the client's window exists (exit 0) or time out (1)
//   nimctl gone SECONDS       wait until no client window exists
//   nimctl command ID         send WM_COMMAND with the id to the running client
//   nimctl tray MESSAGE       post the tray callback with a mouse message number
#include "control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: nimctl wait|gone|command|tray VALUE\n");
        return 2;
    }
    unsigned long value = strtoul(argv[2], nullptr, 10);
    if (strcmp(argv[1], "wait") == 0)
        return control::waitForClient(value * 1000) != nullptr ? 0 : 1;
    if (strcmp(argv[1], "gone") == 0)
        return control::waitForNoClient(value * 1000) ? 0 : 1;
    if (strcmp(argv[1], "command") == 0)
        return control::sendCommand(static_cast<WORD>(value)) ? 0 : 1;
    if (strcmp(argv[1], "tray") == 0)
        return control::sendTray(static_cast<UINT>(value)) ? 0 : 1;
    fprintf(stderr, "unknown action %s\n", argv[1]);
    return 2;
}
