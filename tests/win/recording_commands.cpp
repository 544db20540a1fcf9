// Recording version of the tray commands that call the web service.
#include "recording.h"

#include "service/rekey.h"

void rekeyStoredLogin() {
    recording::calls.push_back("rekeyStoredLogin");
}
