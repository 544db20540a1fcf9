// Recording versions of the notifications, pauses, shell hand-over and of the entry points
// that the main window dispatches to: each call is appended to one list the tests read.
#pragma once

#include <string>
#include <vector>

namespace recording {

extern std::vector<std::string> calls;
extern bool scanFindsShare;
extern bool online; // what the internet check answers

void reset();
std::string joined();

} // namespace recording
