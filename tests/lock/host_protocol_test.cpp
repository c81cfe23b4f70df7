// The framing between the bridge and the lock host, byte for byte.

#include "lock/host_protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zorva::lock::protocol {
namespace {

using ::testing::ElementsAreArray;

std::span<const std::uint8_t, headerSize> headerOf(const std::vector<std::uint8_t>& bytes) {
    return std::span<const std::uint8_t, headerSize>(bytes.data(), headerSize);
}

std::span<const std::uint8_t> payloadOf(const std::vector<std::uint8_t>& bytes) {
    return std::span<const std::uint8_t>(bytes).subspan(headerSize);
}

TEST(HostProtocol, EachRequestCarriesExactlyItsCallsBytesLittleEndian) {
    Request card;
    card.call = Call::IssueGuestCard;
    card.sequence = 0x01020304;
    card.card.lockAddress = {1, 1, 2, 12};
    card.card.buffer3 = {-2};
    card.card.checkIn = {'2', '0', '2', '5', '0', '7', '2', '9', '1', '4', '0', '0'};
    card.card.buffer7[0] = 1;
    card.card.buffer7[6] = 16;
    card.card.flags = 0x0a0b0c0d;
    const auto bytes = encode(card);
    ASSERT_EQ(bytes.size(), 68u);
    EXPECT_THAT(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 11),
                ElementsAreArray({3, 4, 3, 2, 1, 1, 1, 2, 12, 0, 0}));
    EXPECT_EQ(bytes[17], 0xfe) << "the 16-bit buffer, low byte first";
    EXPECT_EQ(bytes[18], 0xff);
    EXPECT_THAT(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
                ElementsAreArray({0x0d, 0x0c, 0x0b, 0x0a}));

    Request code;
    code.call = Call::SetAuthCode;
    code.authCode = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H',
                     'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'};
    code.sectors = {1, -1, 3, 4, 5, 6, 7, 0, 0, 0, 0, 0, 0, 70000};
    Request init;
    init.call = Call::InitializeSystem;
    init.cardType = -3;
    for (const Request& r :
         {card, code, init, Request{Call::BeepOk, 9}, Request{Call::FreeSystem, 1},
          Request{Call::BeepFailure, 0xffffffff}}) {
        const auto b = encode(r);
        ASSERT_EQ(b.size(), headerSize + *payloadSize(b[0])) << functionName(r.call);
        const auto back = decode(headerOf(b), payloadOf(b));
        ASSERT_TRUE(back) << functionName(r.call);
        EXPECT_EQ(back->call, r.call);
        EXPECT_EQ(back->sequence, r.sequence);
        EXPECT_EQ(back->cardType, r.cardType);
        EXPECT_EQ(back->authCode, r.authCode);
        EXPECT_EQ(back->sectors, r.sectors);
        EXPECT_EQ(back->card, r.card);
    }
}

TEST(HostProtocol, GarbageAndWrongSizesDecodeToNothing) {
    const auto good = encode(Request{Call::InitializeSystem, 5});
    for (std::uint8_t call : {0, 7, 0x7f, 0xff})
        EXPECT_FALSE(payloadSize(call)) << int(call);
    std::vector<std::uint8_t> bad = good;
    bad[0] = 9;
    EXPECT_FALSE(decode(headerOf(bad), payloadOf(bad)));
    EXPECT_FALSE(decode(headerOf(good), payloadOf(good).first(1))) << "a short payload";
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(decode(headerOf(longer), payloadOf(longer))) << "a long payload";

    const std::array<std::uint8_t, answerSize> answer{0, 1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(decodeAnswer(answer)) << "no call 0";
}

TEST(HostProtocol, AnswersAndTheFirstExchange) {
    const Answer a{Call::IssueGuestCard, 77, -32768};
    const auto bytes = encode(a);
    EXPECT_THAT(bytes, ElementsAreArray({3, 77, 0, 0, 0, 0x00, 0x80}));
    const auto back = decodeAnswer(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->call, a.call);
    EXPECT_EQ(back->sequence, a.sequence);
    EXPECT_EQ(back->result, a.result);

    EXPECT_THAT(hello, ElementsAreArray({std::uint8_t{'Z'}, std::uint8_t{'L'}, std::uint8_t{'H'},
                                         std::uint8_t{1}}));
    const auto ready = encode(HelloAnswer{});
    EXPECT_EQ(ready, (std::vector<std::uint8_t>{'Z', 'L', 'H', 1, 0, 0, 0}));
    const auto missing =
        encode(HelloAnswer{1, Readiness::LibraryNotLoaded, "/x/libLevelLock.so: not found"});
    ASSERT_EQ(missing.size(), helloAnswerSize + 29);
    std::size_t length = 0;
    const auto told = decodeHelloAnswer(
        std::span<const std::uint8_t, helloAnswerSize>(missing.data(), helloAnswerSize), length);
    ASSERT_TRUE(told);
    EXPECT_EQ(told->readiness, Readiness::LibraryNotLoaded);
    EXPECT_EQ(length, 29u);

    for (std::array<std::uint8_t, helloAnswerSize> wrong :
         {std::array<std::uint8_t, helloAnswerSize>{'Z', 'L', 'X', 1, 0, 0, 0},
          std::array<std::uint8_t, helloAnswerSize>{'Z', 'L', 'H', 1, 3, 0, 0},
          std::array<std::uint8_t, helloAnswerSize>{'L', 'e', 'v', 'e', 'l', 'L', 'o'}})
        EXPECT_FALSE(decodeHelloAnswer(wrong, length));
}

} // namespace
} // namespace zorva::lock::protocol
