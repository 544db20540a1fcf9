// The single instance of the application state (see appstate.h).
#include "core/appstate.h"

AppState app;
