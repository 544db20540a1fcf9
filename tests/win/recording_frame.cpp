// Recording version of the properties dialog: records the start page (and, with an update
// announced, the location known by then) and ends at once.
#include "recording.h"

#include "app/appstate.h"
#include "ui/properties/frame.h"

using recording::record;

INT_PTR showPropertiesDialog(HWND) {
    record("showPropertiesDialog " + std::to_string(app.propertiesStartPage) +
           (app.updateInfo.announced ? " " + app.updateInfo.location : ""));
    app.propertiesOpen = false;
    app.propertiesWindow = nullptr;
    return 0;
}
