// Recording versions of what the dialog's owner provides to the main window and the drive.
#include "recording.h"

#include "drive/frontend.h"
#include "ui/properties/frame.h"

using recording::record;

INT_PTR runPropertiesDialog(int startPage) {
    return record("runPropertiesDialog " + std::to_string(startPage)), 0;
}

void bringPropertiesForward(int page) {
    record("bringPropertiesForward " + std::to_string(page));
}

void followAuthentication(const AuthOutcome& outcome) {
    if (outcome.offerUpdate || !outcome.redirectPage.empty())
        record("followAuthentication " + std::to_string(outcome.offerUpdate) + " " +
               outcome.redirectPage);
}

void requestLogin(bool openAfter) {
    record(std::string("requestLogin ") + (openAfter ? "true" : "false"));
}
