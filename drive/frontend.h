// What the drive asks of the user interface. The drive only reports what happened; the owner of
// the properties dialog provides these (ui/properties/frame.cpp) and acts on it, and tests of the
// drive link recording versions.
#pragma once

#include "service/auth.h"

// After every login refresh, once its connection is closed: offer an announced update, send the
// user to a page the service named.
void followAuthentication(const AuthOutcome& outcome);
// The stored login was refused: the properties dialog asks for a new one on its Login page, and
// the mount is finished (and the drive opened, with openAfter) when the dialog is confirmed.
void requestLogin(bool openAfter);
