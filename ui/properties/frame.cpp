// The properties dialog. Not built yet: a request to open it ends at once, as a dialog closed
// straight away would, so that the next request is not taken for a dialog still open.
#include "ui/properties/frame.h"

#include "app/appstate.h"

INT_PTR showPropertiesDialog(HWND) {
    app.propertiesOpen = false;
    app.propertiesWindow = nullptr;
    return 0;
}
