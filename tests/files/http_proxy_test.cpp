// Which hosts go through the user's proxy, and to which port.
#include "files/http.h"

#include <gtest/gtest.h>

namespace {

struct proxy_fixture : ::testing::Test {
    void SetUp() override { http.reset(); }
    void TearDown() override { http.reset(); }
};

TEST_F(proxy_fixture, ProxyAppliesOnlyWithHostAndPortAndOutsideTheExclusions)
{
    struct proxy_case {
        const char* name;
        const char* proxy_host;
        int proxy_port;
        std::vector<std::string> exclude;
        const char* host;
        bool use;
        unsigned short port; // what ProxyPort gives for a request to port 80
    };
    const proxy_case cases[] = {
        {"no proxy", "", 0, {}, "dl.skylume.test", false, 80},
        {"host without port", "cache.lan", 0, {}, "dl.skylume.test", false, 80},
        {"port without host", "", 3128, {}, "dl.skylume.test", false, 80},
        {"both set", "cache.lan", 3128, {}, "dl.skylume.test", true, 3128},
        {"typed text that is no number", "cache.lan", -1, {}, "dl.skylume.test", true, 65535},
        {"port past 16 bits", "cache.lan", 70000, {}, "dl.skylume.test", true, 4464},
        {"whole host excluded", "cache.lan", 3128, {"dl.skylume.test"}, "dl.skylume.test", false, 80},
        {"tail excluded, no dot needed", "cache.lan", 3128, {"lume.test"}, "dl.skylume.test", false, 80},
        {"entry longer than host skipped", "cache.lan", 3128, {"xdl.skylume.test"}, "dl.skylume.test", true, 3128},
        {"case matters", "cache.lan", 3128, {"SKYLUME.TEST"}, "dl.skylume.test", true, 3128},
        {"empty entry matches all", "cache.lan", 3128, {"other.test", ""}, "dl.skylume.test", false, 80},
    };
    for (const proxy_case& c : cases) {
        SCOPED_TRACE(c.name);
        http.proxy_host = c.proxy_host;
        http.proxy_port = c.proxy_port;
        gProxyExclude = c.exclude;
        EXPECT_EQ(UseProxy(c.host, 80), c.use);
        EXPECT_EQ(ProxyPort(c.host, 80), c.port);
        EXPECT_STREQ(ProxyHost(c.host, 80), c.use ? c.proxy_host : c.host);
    }
}

} // namespace
