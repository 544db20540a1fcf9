// The single instance of the application state (see appstate.h).
#include "app/appstate.h"

AppState app;
