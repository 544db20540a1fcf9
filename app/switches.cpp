// Command-line switch table (see switches.h).
#include "app/switches.h"

#include "res/resource.h"

#include <cstring>

CommandLineSwitch parseSwitch(const char* commandLine) {
    static const struct {
        const char* text;
        Switch kind;
    } table[] = {
        {"", Switch::None},
        {"/open", Switch::Open},
        {"/tray", Switch::Tray},
        {"/mount", Switch::Mount},
        {"/umount", Switch::Umount},
        {"/setup", Switch::Setup},
        {"/properties", Switch::Properties},
        {"/stop", Switch::Stop},
        {"/rekey", Switch::Rekey},
        {"/replace", Switch::Replace},
        {"/noforce", Switch::Force},
    };
    CommandLineSwitch result;
    const char* line = commandLine ? commandLine : "";
    for (const auto& entry : table) {
        if (strcmp(line, entry.text) == 0) {
            result.kind = entry.kind;
            return result;
        }
    }
    if (strncmp(line, "/force=", 7) == 0 && line[7] >= '0' && line[7] <= '6' && line[8] == '\0') {
        result.kind = Switch::Force;
        result.forcedMethod = line[7] - '0';
    }
    return result;
}

unsigned forwardedCommand(Switch kind, bool webFolderMethod) {
    switch (kind) {
    case Switch::None:
    case Switch::Open:
        return IDM_OPEN;
    case Switch::Mount:
        return webFolderMethod ? 0 : IDM_CONNECT;
    case Switch::Umount:
        return webFolderMethod ? 0 : IDM_DISCONNECT;
    case Switch::Setup:
        return IDM_SETTINGS;
    case Switch::Properties:
        return IDM_PROPERTIES;
    case Switch::Stop:
        return IDM_QUIT;
    case Switch::Rekey:
        return webFolderMethod ? 0 : IDM_REKEY;
    case Switch::Replace:
        return IDM_REPLACE;
    default:
        return 0;
    }
}
