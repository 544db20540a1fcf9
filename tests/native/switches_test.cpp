// The switch table and the internet-check verdict.
#include "app/connectivity.h"
#include "app/switches.h"
#include "res/resource.h"

#include <gtest/gtest.h>

TEST(Switches, WholeLineCaseSensitiveMatch) {
    EXPECT_EQ(Switch::None, parseSwitch("").kind);
    EXPECT_EQ(Switch::None, parseSwitch(nullptr).kind);
    EXPECT_EQ(Switch::Tray, parseSwitch("/tray").kind);
    EXPECT_EQ(Switch::Replace, parseSwitch("/replace").kind);
    EXPECT_EQ(Switch::Properties, parseSwitch("/properties").kind);
    for (const char* notASwitch :
         {"/tray ", " /tray", "/Tray", "/TRAY", "/tray /stop", "/force=7", "/force=", "/force=10",
          "/force=-1", "/force=3 ", "tray", "/noforce=1", "/stopp"})
        EXPECT_EQ(Switch::Other, parseSwitch(notASwitch).kind) << "[" << notASwitch << "]";
}

TEST(Switches, ForceValues) {
    for (int n = 0; n <= 6; ++n) {
        std::string line = "/force=" + std::to_string(n);
        CommandLineSwitch parsed = parseSwitch(line.c_str());
        EXPECT_EQ(Switch::Force, parsed.kind);
        EXPECT_EQ(n, parsed.forcedMethod);
    }
    CommandLineSwitch noforce = parseSwitch("/noforce");
    EXPECT_EQ(Switch::Force, noforce.kind);
    EXPECT_EQ(0, noforce.forcedMethod);
}

TEST(Switches, ForwardedCommands) {
    EXPECT_EQ(IDM_OPEN, forwardedCommand(Switch::None, false));
    EXPECT_EQ(IDM_OPEN, forwardedCommand(Switch::Open, true));
    EXPECT_EQ(0u, forwardedCommand(Switch::Tray, false));
    EXPECT_EQ(0u, forwardedCommand(Switch::Other, false));
    EXPECT_EQ(IDM_SETTINGS, forwardedCommand(Switch::Setup, true));
    EXPECT_EQ(IDM_PROPERTIES, forwardedCommand(Switch::Properties, true));
    EXPECT_EQ(IDM_QUIT, forwardedCommand(Switch::Stop, true));
    EXPECT_EQ(IDM_REPLACE, forwardedCommand(Switch::Replace, true));
    // Mounting, unmounting and re-keying are refused under the web-folder methods.
    EXPECT_EQ(IDM_CONNECT, forwardedCommand(Switch::Mount, false));
    EXPECT_EQ(0u, forwardedCommand(Switch::Mount, true));
    EXPECT_EQ(IDM_DISCONNECT, forwardedCommand(Switch::Umount, false));
    EXPECT_EQ(0u, forwardedCommand(Switch::Umount, true));
    EXPECT_EQ(IDM_REKEY, forwardedCommand(Switch::Rekey, false));
    EXPECT_EQ(0u, forwardedCommand(Switch::Rekey, true));
}

TEST(Connectivity, OfflineOnlyWhenTheOfflineFlagStandsAlone) {
    EXPECT_EQ(Connectivity::NotConnected, connectivityFrom(false, 0));
    EXPECT_EQ(Connectivity::NotConnected, connectivityFrom(false, kInternetConnectionOffline));
    EXPECT_EQ(Connectivity::Offline, connectivityFrom(true, 0x20));
    EXPECT_EQ(Connectivity::Available, connectivityFrom(true, 0x20 | 0x02));
    EXPECT_EQ(Connectivity::Available, connectivityFrom(true, 0x01));
    EXPECT_EQ(Connectivity::Available, connectivityFrom(true, 0));
}
