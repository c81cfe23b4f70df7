// Which senders the bridge takes check-ins from.

#include "app/sender_filter.h"

#include <gtest/gtest.h>

namespace zorva::app {
namespace {

TEST(SenderFilter, AddressesAndRangesSeparatedByCommasOrBlanks) {
    struct Case {
        const char* text;
        std::vector<const char*> allowed;
        std::vector<const char*> refused;
    } cases[] = {
        {"", {"192.168.1.20", "10.0.0.1", "not an address"}, {}},
        {"  ,  ", {"192.168.1.20"}, {}},
        {"192.168.1.20", {"192.168.1.20"}, {"192.168.1.21", "192.168.1.2", "garbage", ""}},
        {"192.168.1.20, 192.168.1.0/24",
         {"192.168.1.20", "192.168.1.0", "192.168.1.255"},
         {"192.168.2.1", "192.168.0.255"}},
        {"10.0.0.0/8 172.16.0.0/12\t127.0.0.2",
         {"10.255.255.255", "172.31.0.1", "127.0.0.2"},
         {"172.32.0.1", "127.0.0.1", "11.0.0.0"}},
        {"192.168.1.77/24", {"192.168.1.1"}, {"192.168.2.77"}}, // the network it lies in
        {"0.0.0.0/0", {"1.2.3.4", "255.255.255.255"}, {}},
        {"127.0.0.3/32,127.0.0.4", {"127.0.0.3", "127.0.0.4"}, {"127.0.0.5"}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto filter = SenderFilter::parse(c.text, error);
        ASSERT_TRUE(filter) << c.text << ": " << error;
        for (const char* a : c.allowed)
            EXPECT_TRUE(filter->allows(a)) << c.text << " should take " << a;
        for (const char* a : c.refused)
            EXPECT_FALSE(filter->allows(a)) << c.text << " should refuse " << a;
    }
}

TEST(SenderFilter, TextThatDoesNotParseNamesItsBadPart) {
    struct Case {
        std::string text;
        std::string bad;
    } cases[] = {
        {"192.168.1.300", "192.168.1.300"},
        {"10.0.0.1, 10.0.0", "10.0.0"},
        {"10.0.0.1/33", "10.0.0.1/33"},
        {"10.0.0.01", "10.0.0.01"},
        {"10.0.0.1/", "10.0.0.1/"},
        {"/24", "/24"},
        {"1.2.3.4.5", "1.2.3.4.5"},
        {"otel-pc", "otel-pc"},
        {"10.0.0.1;10.0.0.2", "10.0.0.1;10.0.0.2"},
        {"10.0.0.1/-1", "10.0.0.1/-1"},
        {"+1.2.3.4", "+1.2.3.4"},
        // A list edited by hand in the settings file: ANSI text, told in UTF-8 and cut as the
        // log cuts what it did not write itself.
        {"10.0.0.1 \xC7"
         "at\xFD",
         "Çatı"},
        {std::string(300, 'x'), std::string(100, 'x') + "..."},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(SenderFilter::parse(c.text, error)) << c.text;
        EXPECT_EQ(error, "'" + c.bad + "' is not an IPv4 address or range");
    }
    EXPECT_FALSE(SenderFilter::nobody().allows("127.0.0.1"));
    EXPECT_FALSE(SenderFilter::nobody().everyone());
}

} // namespace
} // namespace zorva::app
