// The command-line switch table: which switch a command line is, and which command a second
// start forwards for it. Portable; the entry point acts on the result.
#pragma once

#include <cstdint>

enum class Switch {
    None,       // empty command line
    Open,       // /open
    Tray,       // /tray
    Mount,      // /mount
    Umount,     // /umount
    Setup,      // /setup
    Properties, // /properties
    Stop,       // /stop
    Rekey,      // /rekey
    Replace,    // /replace
    Force,      // /noforce, /force=0 to /force=6
    Other,      // anything else: no switch
};

struct CommandLineSwitch {
    Switch kind = Switch::Other;
    int32_t forcedMethod = 0; // for Switch::Force
};

// The whole command line is compared, exactly and case-sensitively.
CommandLineSwitch parseSwitch(const char* commandLine);

// The command id sent to the running instance (0 when nothing is to be done there).
// webFolderMethod: the connection method is 1 or 2.
unsigned forwardedCommand(Switch kind, bool webFolderMethod);
