// End-to-end: the real Nimbara.exe under Wine, started with its switches as a user or the
// system would, and driven through its window as other processes do.
#include "client_fixture.h"
#include "provider_client.h"

namespace {

using namespace e2e;

TEST_F(Client, SwitchesWithAndWithoutAnInstance) {
    runToEnd("/stop"); // with no instance: ends at once
    runToEnd("/force=3");
    EXPECT_EQ(std::string("\3\0\0\0", 4), productValue("ForceMethod"));
    HANDLE instance = startInstance("/force=7"); // no switch: starts without a switch action
    DWORD id = GetProcessId(instance);
    runToEnd("/force=6"); // stored, nothing forwarded
    EXPECT_EQ(std::string("\6\0\0\0", 4), productValue("ForceMethod"));
    runToEnd("/Tray"); // no switch: forwarded as command 0, which changes nothing
    EXPECT_EQ(id, control::clientProcessId());
    runToEnd("/stop");
    EXPECT_EQ(0u, control::waitExit(instance, kTimeout));
}

TEST_F(Client, ReplaceHandsOverToTheNewInstance) {
    HANDLE old = startInstance("/tray");
    HANDLE replacement = run("/replace");
    // A third start during the hand-over finds the mutex and does not become an instance.
    HANDLE third = run("/tray");
    EXPECT_EQ(0u, control::waitExit(old, kTimeout));
    EXPECT_EQ(0u, control::waitExit(third, kTimeout));
    EXPECT_TRUE(control::waitForClient(kTimeout, GetProcessId(replacement)));
    // The new instance is a complete one: a later start forwards to it.
    runToEnd("/stop");
    EXPECT_EQ(0u, control::waitExit(replacement, kTimeout));
}

// A second start with /rekey makes the running client fetch fresh WebDAV credentials with the
// stored login; under a web-folder method it is refused before it reaches the running client.
TEST_F(Client, RekeyForwardedRefreshesTheStoredLogin) {
    provider::reset();
    provider::Answer answer;
    answer.body = provider::fieldAnswer(
        {{"Status", "200"}, {"Name", "fresh-user"}, {"Password", "fresh-pw"}, {"Share", "share"}});
    provider::script({answer});
    setProductValue("authApiProto", REG_SZ, std::string("https", 6));
    setProductValue("authApiHost", REG_SZ, provider::httpsHost() + '\0');
    setProductValue("DAVUser", REG_SZ, std::string("stored-user", 12));
    setProductValue("DAVPasswd", REG_SZ, std::string("stored-pw", 10));
    setProductValue("ForceMethod", REG_DWORD, std::string("\1\0\0\0", 4));

    startInstance("/tray");
    runToEnd("/rekey");
    EXPECT_TRUE(provider::requests().empty());
    EXPECT_EQ(std::string("stored-user", 12), productValue("DAVUser"));

    setProductValue("ForceMethod", REG_DWORD, std::string("\5\0\0\0", 4));
    stopLeftovers();
    startInstance("/tray");
    runToEnd("/rekey");
    EXPECT_EQ(std::string("fresh-user", 11), productValue("DAVUser"));
    EXPECT_EQ(std::string("fresh-pw", 9), productValue("DAVPasswd"));
    EXPECT_EQ(std::string("share", 6), productValue("DAVShare"));
    std::vector<provider::Request> requests = provider::requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].path.find("username=stored-user&password=stored-pw"));
}

} // namespace
