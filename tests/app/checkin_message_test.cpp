#include "app/checkin_message.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace zorva::app;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CheckinMessage, FieldsAreCutAtCaretsAndEveryLineBreak) {
    using namespace std::string_literals;
    struct Case {
        std::string text;
        std::vector<std::string> fields;
    } cases[] = {
        {"A=1^B=2^C=3", {"A=1", "B=2", "C=3"}},
        {"A=1\r\nB=2\rC=3\nD=4", {"A=1", "B=2", "C=3", "D=4"}},
        {"A^^B", {"A", "", "B"}},
        {"A^", {"A"}},
        {"A^^", {"A", ""}},
        {"^", {""}},
        {"A\r^B", {"A", "", "B"}},
        {"A^\nB", {"A", "", "B"}},
        {"A\n\nB", {"A", "", "B"}},
        {"", {}},
        {"A=1\0^B=2"s, {"A=1"}},
        {"\0A=1"s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitMessageFields(c.text), c.fields) << c.text;
}

TEST(CheckinMessage, ValueOfTheFirstFieldWhoseWholeNameMatches) {
    const auto fields = splitMessageFields("X^oda=A=1^ODA=2^CIN =5^ Cout=7^COUT=^=9^Oda");
    EXPECT_EQ(messageValue(fields, "ODA"), "A=1");
    EXPECT_EQ(messageValue(fields, "CIN"), "") << "a blank before '=' is part of the name";
    EXPECT_EQ(messageValue(fields, "COUT"), "");
    EXPECT_EQ(messageValue(fields, "X"), "") << "a field without '=' has no name";
    EXPECT_EQ(messageValue(fields, ""), "9");
    EXPECT_EQ(messageValue(fields, "MISSING"), "");
}
