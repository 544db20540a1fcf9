// nimctl: the control tool for scripts (the README's run command, the benchmark).
//   nimctl wait SECONDS       wait until the client's window exists (exit 0) or time out (1)
//   nimctl gone SECONDS       wait until no client window exists
//   nimctl command ID         send WM_COMMAND with the id to the running client
//   nimctl tray MESSAGE       post the tray callback with a mouse message number
//   nimctl login NAME PASSWORD  type the login into the open dialog's Login page and press OK
//   nimctl dialog SECONDS     wait until the properties dialog is open
//   nimctl tab INDEX          click the dialog's tab with the index (-1: press Abbrechen)
#include "control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "login") == 0)
        return control::enterLogin(argv[2], argv[3]) ? 0 : 1;
    if (argc != 3) {
        fprintf(stderr,
                "usage: nimctl wait|gone|command|tray|dialog|tab VALUE | login NAME PASSWORD\n");
        return 2;
    }
    unsigned long value = strtoul(argv[2], nullptr, 10);
    bool done = strcmp(argv[1], "wait") == 0      ? control::waitForClient(value * 1000)
                : strcmp(argv[1], "gone") == 0    ? control::waitForNoClient(value * 1000)
                : strcmp(argv[1], "command") == 0 ? control::sendCommand(static_cast<WORD>(value))
                : strcmp(argv[1], "tray") == 0    ? control::postTray(static_cast<UINT>(value))
                : strcmp(argv[1], "dialog") == 0  ? control::waitForProperties(value * 1000)
                : strcmp(argv[1], "tab") == 0     ? control::clickTab(atoi(argv[2]))
                                                  : (fprintf(stderr, "unknown action\n"), false);
    return done ? 0 : 1;
}
