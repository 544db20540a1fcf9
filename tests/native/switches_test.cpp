// The switch table and the internet-check verdict.
#include "core/connectivity.h"
#include "app/switches.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(Switches, WholeLineMatchAndForwardedCommands) {
    EXPECT_EQ(Switch::None, parseSwitch(nullptr).kind);
    EXPECT_EQ(Switch::Replace, parseSwitch("/replace").kind);
    for (const char* other : {"/tray ", " /tray", "/Tray", "/force=7", "/force=/",
                              "/force=", "/force=10", "/force=3 ", "/noforce=1", "/stopp"})
        EXPECT_EQ(Switch::Other, parseSwitch(other).kind) << "[" << other << "]";
    for (const char* force : {"/noforce", "/force=0", "/force=6"}) {
        EXPECT_EQ(Switch::Force, parseSwitch(force).kind) << force;
        EXPECT_EQ(force[7] == '6' ? 6 : 0, parseSwitch(force).forcedMethod) << force;
    }

    // The forwarded command; the web-folder methods refuse mounting, unmounting and re-keying.
    const std::tuple<Switch, unsigned, bool> forwards[] = {
        {Switch::None, 4009, 0},    {Switch::Open, 4009, 0},       {Switch::Tray, 0, 0},
        {Switch::Other, 0, 0},      {Switch::Setup, 4010, 0},      {Switch::Stop, 4006, 0},
        {Switch::Replace, 4012, 0}, {Switch::Properties, 4013, 0}, {Switch::Mount, 4004, 1},
        {Switch::Umount, 4007, 1},  {Switch::Rekey, 4011, 1}};
    for (const auto& [kind, command, refused] : forwards) {
        EXPECT_EQ(command, forwardedCommand(kind, false)) << command;
        EXPECT_EQ(refused ? 0 : command, forwardedCommand(kind, true)) << command;
    }
}

TEST(Connectivity, OfflineOnlyWhenTheOfflineFlagStandsAlone) {
    EXPECT_EQ(Connectivity::NotConnected, connectivityFrom(false, 0x20));
    EXPECT_EQ(Connectivity::Offline, connectivityFrom(true, 0x20));
    EXPECT_EQ(Connectivity::Available, connectivityFrom(true, 0x22));
    EXPECT_EQ(Connectivity::Available, connectivityFrom(true, 0));
}
