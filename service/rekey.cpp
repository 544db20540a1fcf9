// The re-key command. Not built yet: the command arrives here and changes nothing for now.
#include "service/rekey.h"

void rekeyStoredLogin() {}
