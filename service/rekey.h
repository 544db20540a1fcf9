// The re-key command: fetch fresh WebDAV credentials with the stored login and say how it went.
#pragma once

void rekeyStoredLogin();
