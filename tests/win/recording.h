// Recording versions of the notifications, pauses, shell hand-over, the internet check and of
// the entry points that the main window dispatches to (recording_drive.cpp, recording_frame.cpp,
// recording_commands.cpp): each call is appended to one list the tests read.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace recording {

extern std::vector<std::string> calls;
extern bool scanFindsShare;
extern bool online; // what the internet check answers
// What mountDrive does beside recording, and its answer; none: it answers false.
extern std::function<bool(bool openAfter)> mount;
extern std::function<void()> unmount; // what unmountDrive does beside recording

void reset();
std::string joined();
void record(const std::string& call);

} // namespace recording
