#include "tools/send_options.h"

#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zorva::tools {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Source = SendOptions::Source;

SendOptions parsed(const std::vector<std::string>& args) {
    const ParsedOptions result = parseSendOptions(args);
    if (!result.options)
        throw std::runtime_error("rejected: " + result.error);
    return *result.options;
}

TEST(SendOptions, ACheckinWithTheDefaultsGoesOnceToPort4040OnLoopback) {
    const SendOptions o =
        parsed({"--room", "101", "--in", "29.07.2025 14:00", "--out", "31.07.2025 12:00"});
    EXPECT_EQ(o.source, Source::Checkin);
    EXPECT_EQ(o.room, "101");
    EXPECT_EQ(o.checkIn, "29.07.2025 14:00");
    EXPECT_EQ(o.checkOut, "31.07.2025 12:00");
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_EQ(o.port, 4040);
    EXPECT_EQ(o.count, 1u);
    EXPECT_FALSE(o.rate);
    EXPECT_FALSE(o.help);
    EXPECT_FALSE(o.quiet);
    EXPECT_THAT(buildDatagrams(o),
                ElementsAre("CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=101"));
}

TEST(SendOptions, ReadsEveryOptionInEitherSpelling) {
    const SendOptions o = parsed({"--text=ODA=1", "--host", "localhost", "--port=4041", "--count",
                                  "250", "--rate=0.5", "-q", "--from", "127.0.0.7"});
    EXPECT_EQ(o.source, Source::Text);
    EXPECT_EQ(o.text, "ODA=1") << "only the first '=' separates the option from its value";
    EXPECT_EQ(o.host, "localhost");
    EXPECT_EQ(o.port, 4041);
    EXPECT_EQ(o.count, 250u);
    ASSERT_TRUE(o.rate);
    EXPECT_DOUBLE_EQ(*o.rate, 0.5);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.from, "127.0.0.7");
    EXPECT_EQ(parsed({"--text", "x"}).from, "") << "the system chooses";

    EXPECT_EQ(parsed({"--file", "a.bin"}).source, Source::File);
    EXPECT_EQ(parsed({"--lines=list.txt"}).source, Source::Lines);
    EXPECT_EQ(parsed({"--lines=list.txt"}).path, "list.txt");
    EXPECT_EQ(parsed({"--port", "65535", "--text", ""}).port, 65535);
    EXPECT_EQ(parsed({"--count", "1000000000", "--text", "x"}).count, 1'000'000'000u);
    EXPECT_TRUE(parsed({"--help"}).help) << "help needs nothing to send";
    EXPECT_TRUE(parsed({"--port", "1", "-h"}).help);
}

struct RejectedCase {
    std::vector<std::string> args;
    const char* reason;
};

void PrintTo(const RejectedCase& c, std::ostream* os) {
    for (const auto& arg : c.args)
        *os << "'" << arg << "' ";
}

class RejectedOptions : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedOptions, SayWhatIsWrong) {
    const ParsedOptions result = parseSendOptions(GetParam().args);
    EXPECT_FALSE(result.options);
    EXPECT_THAT(result.error, HasSubstr(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RejectedOptions,
    ::testing::Values(
        RejectedCase{{}, "nothing to send"},
        RejectedCase{{"--rooms", "1"}, "unknown option '--rooms'"},
        RejectedCase{{"101"}, "unknown option '101'"},
        RejectedCase{{"--text"}, "option --text needs a value"},
        RejectedCase{{"--room", "101", "--in", "29.07.2025"}, "needs --room, --in and --out"},
        RejectedCase{{"--room=", "--in=1", "--out=2"}, "needs --room, --in and --out"},
        RejectedCase{{"--text", "a", "--file", "b"}, "give only one of"},
        RejectedCase{{"--room", "1", "--in", "2", "--out", "3", "--text", "a"}, "give only one of"},
        RejectedCase{{"--file="}, "needs a file name"},
        RejectedCase{{"--text", "a", "--host", ""}, "--host needs"},
        RejectedCase{{"--text", "a", "--from="}, "--from needs a local IPv4 address"},
        RejectedCase{{"--text", "a", "--port", "0"}, "--port must be a whole number"},
        RejectedCase{{"--text", "a", "--port", "65536"}, "not '65536'"},
        RejectedCase{{"--text", "a", "--port", "40 40"}, "--port must be"},
        RejectedCase{{"--text", "a", "--port", "-1"}, "--port must be"},
        RejectedCase{{"--text", "a", "--count", "0"}, "--count must be"},
        RejectedCase{{"--text", "a", "--count", "1000000001"}, "--count must be"},
        RejectedCase{{"--text", "a", "--count", "1e3"}, "--count must be"},
        RejectedCase{{"--text", "a", "--rate", "0"}, "--rate must be"},
        RejectedCase{{"--text", "a", "--rate", "-5"}, "--rate must be"},
        RejectedCase{{"--text", "a", "--rate", "fast"}, "--rate must be"},
        RejectedCase{{"--text", "a", "--rate", "nan"}, "--rate must be"},
        RejectedCase{{"--text", "a", "--rate", "20000000"}, "--rate must be"},
        RejectedCase{{"--text", "a", "--rate", "1.2.3"}, "--rate must be"}));

TEST(SendOptions, TypedTextGoesOutInTheBridgesCodePage) {
    EXPECT_THAT(buildDatagrams(parsed({"--room", "Kule Süit", "--in", "1", "--out", "2"})),
                ElementsAre("CIN=1^COUT=2^ODA=Kule S\xfcit"));
    EXPECT_THAT(buildDatagrams(parsed({"--text", "ODA=Işık"})), ElementsAre("ODA=I\xfe\xfdk"));
    EXPECT_THAT(buildDatagrams(parsed({"--text", ""})), ElementsAre(""));
}

TEST(SendOptions, AFileIsOneDatagramByteForByteAndLinesAreOneDatagramEach) {
    zorva::testing::TempDirectory dir;
    const std::string bytes("CIN=1\r\n\x00\xfc\xff^ODA=7\n", 16);
    zorva::testing::writeBytes(dir.file("one.bin"), bytes);
    EXPECT_THAT(buildDatagrams(parsed({"--file", dir.file("one.bin")})), ElementsAre(bytes));

    zorva::testing::writeBytes(dir.file("list.txt"), "first\r\n\nsecond\rstill\nlast");
    EXPECT_THAT(buildDatagrams(parsed({"--lines", dir.file("list.txt")})),
                ElementsAre("first", "", "second\rstill", "last"));
    zorva::testing::writeBytes(dir.file("ends.txt"), "a\n\n");
    EXPECT_THAT(buildDatagrams(parsed({"--lines", dir.file("ends.txt")})), ElementsAre("a", ""));
}

TEST(SendOptions, AFileThatCannotBeReadOrHoldsNoLinesIsAClearError) {
    zorva::testing::TempDirectory dir;
    zorva::testing::writeBytes(dir.file("empty.txt"), "");
    const auto failure = [](const SendOptions& o) {
        try {
            buildDatagrams(o);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(failure(parsed({"--file", dir.file("missing")})),
              "cannot read " + dir.file("missing") + ": no such file");
    EXPECT_EQ(failure(parsed({"--lines", dir.path().string()})),
              "cannot read " + dir.path().string() + ": Is a directory");
    EXPECT_EQ(failure(parsed({"--lines", dir.file("empty.txt")})),
              dir.file("empty.txt") + " holds no lines");
    EXPECT_THAT(buildDatagrams(parsed({"--file", dir.file("empty.txt")})), ElementsAre(""))
        << "an empty file is an empty datagram";
}

TEST(SendOptions, TheHelpTextNamesEveryOption) {
    for (const char* option : {"--room", "--in", "--out", "--text", "--file", "--lines", "--host",
                               "--from", "--port", "--count", "--rate", "--quiet", "--help"})
        EXPECT_THAT(usageText(), HasSubstr(option));
    EXPECT_THAT(usageText(), HasSubstr("default 127.0.0.1"));
    EXPECT_THAT(usageText(), HasSubstr("default 4040"));
}

} // namespace
} // namespace zorva::tools
