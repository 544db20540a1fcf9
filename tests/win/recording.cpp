// Recording stand-ins of notifications, the internet check, pauses and the shell hand-over.
#include "recording.h"

#include "core/appstate.h"
#include "core/connectivity.h"
#include "core/notify.h"
#include "base/pause.h"
#include "base/shellopen.h"

using recording::record;

BOOL showStatus(DWORD kind, const char* text, bool connected) {
    record("showStatus " + std::to_string(kind) + (connected ? " connected " : " disconnected ") +
           text);
    return TRUE;
}

void showMessage(const char* text) {
    record(std::string("showMessage ") + text);
}

void showInformation(const char* text) {
    record(std::string("showInformation ") + text);
}

// Not recorded: every network action asks it first.
bool internetAvailable() {
    return recording::online;
}

void pauseMilliseconds(DWORD milliseconds) {
    record("pause " + std::to_string(milliseconds));
}

bool shellOpen(HWND owner, const char* file, const char* parameters, int show) {
    record(std::string("shellOpen ") + (owner ? "window " : "none ") + file + " " +
           (parameters ? parameters : "") + " " + std::to_string(show));
    return true;
}
