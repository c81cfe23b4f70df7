// The record on Windows: a read-only file, and the month's file open in a spreadsheet that keeps
// it from writers.

#include "tests/app/card_record_fixture.h"

#include "platform/win32_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <windows.h>

namespace zorva::app {
namespace {

using test::CardRecordTest;
using test::issuedCard;

TEST_F(CardRecordTest, AReadOnlyFileRefusesTheLineUntilItIsWritable) {
    CardRecord record(folder());
    ASSERT_TRUE(record.append(issuedCard()));
    const std::string old = contents(july());
    ASSERT_TRUE(SetFileAttributesA(july().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(record.append(issuedCard()));
    EXPECT_EQ(record.failure(), platform::win32ErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(record.failedPath(), july());
    EXPECT_EQ(contents(july()), old);
    ASSERT_TRUE(SetFileAttributesA(july().c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(record.append(issuedCard())) << record.failure();
    const std::string line = CardRecord::lineFor(issuedCard());
    EXPECT_EQ(contents(july()), old + line + line);
}

// The security officer opens the month's file in Excel, which lets others read it but not write
// it, while check-ins go on: their lines wait, and go in once the file is closed.
TEST_F(CardRecordTest, LinesWaitWhileASpreadsheetHoldsTheFile) {
    CardRecord record(folder());
    ASSERT_TRUE(record.append(issuedCard()));
    const HANDLE spreadsheet = CreateFileA(july().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(spreadsheet, INVALID_HANDLE_VALUE);
    CardRecordEntry second = issuedCard();
    second.roomName = "Oda 102";
    EXPECT_FALSE(record.append(second));
    EXPECT_EQ(record.failure(), platform::win32ErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(record.waiting(), 1u);
    CloseHandle(spreadsheet);

    CardRecordEntry third = issuedCard();
    third.roomName = "Oda 103";
    ASSERT_TRUE(record.append(third)) << record.failure();
    EXPECT_EQ(contents(july()), CardRecord::fileStart() + CardRecord::lineFor(issuedCard()) +
                                    CardRecord::lineFor(second) + CardRecord::lineFor(third));
}

} // namespace
} // namespace zorva::app
