// The connection method of this machine, asked afresh at every question (registry and OS probe).
#pragma once

#include "core/method_rules.h"

#include <windows.h>

ConnectionMethod selectConnectionMethod();
ConnectionMethod forcedMethod();
bool sslPreferred();
bool basicAuthAllowed(bool checkLevel);
bool isVistaOrLater();
