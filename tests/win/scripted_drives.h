// Scripted version of the drive list (drive/drivelist.h): the drives a test sets, each with its
// type and connection name. Every listing of the roots is recorded with its buffer size.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace scripted {

struct Drive {
    char letter;
    UINT type;
    std::string name; // the connection name; empty: none
};

extern std::vector<Drive> drives;

} // namespace scripted
