// Recording stand-ins (recording*.cpp): each call is appended to one text, "call;" for each.
#pragma once

#include <functional>
#include <string>

namespace recording {

inline std::string calls;
inline bool scanFindsShare = false;
inline bool online = true; // what the internet check answers
// What mountDrive does beside recording, and its answer; what unmountDrive does beside it.
inline std::function<bool(bool openAfter)> mount;
inline std::function<void()> unmount;
inline std::function<void(const std::string& call)> watch; // told of each call as it is recorded

inline void record(const std::string& call) {
    calls += call + ";";
    watch ? watch(call) : void();
}
inline void reset() {
    calls.clear(), scanFindsShare = false, online = true;
    mount = [](bool) { return false; }, unmount = [] {}, watch = nullptr;
}

} // namespace recording
