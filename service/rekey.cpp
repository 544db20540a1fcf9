// The re-key command: fresh WebDAV credentials with the stored login, and a balloon that says
// how it went. A service that cannot be reached is a failure here, not a success.
#include "service/rekey.h"

#include "app/connectivity.h"
#include "app/notify.h"
#include "service/auth.h"

void rekeyStoredLogin() {
    if (!internetAvailable()) {
        showStatus(kBalloonInformation, "Sie haben derzeit keine Verbindung zum Internet.", false);
        return;
    }
    if (authenticateStoredCall() == AuthResult::Succeeded)
        showStatus(kBalloonInformation, "Authentifizierungsdaten erfolgreich aktualisiert.", true);
    else
        showStatus(kBalloonError, "Konnte die Authentifizierungsdaten nicht aktualisieren.", true);
}
