// The bridge's side of the lock host: against hosts that fail in every way a host can, and
// against the real host with the stand-in library misbehaving.

#include "lock/hosted_lock_library.h"
#include "platform/executable_path.h"
#include "platform/shared_library.h"
#include "tests/support/environment.h"
#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zorva::lock {
namespace {

using namespace std::chrono_literals;
using Kind = LibraryFailure::Kind;
using zorva::testing::setEnvironment;
using zorva::testing::unsetEnvironment;

std::string beside(const char* program) {
    return platform::executableDirectory() + platform::executableFileName(program);
}

// What a call raised, or nothing.
template <typename Call> std::optional<LibraryFailure> failureOf(Call&& call) {
    try {
        call();
    } catch (const LibraryFailure& f) {
        return f;
    }
    return std::nullopt;
}

class FakeHostTest : public ::testing::Test {
protected:
    void SetUp() override { setEnvironment("FAKE_LOCK_HOST_STARTS", starts); }
    void TearDown() override {
        unsetEnvironment("FAKE_LOCK_HOST");
        unsetEnvironment("FAKE_LOCK_HOST_STARTS");
    }
    int startCount() const {
        std::ifstream in(starts);
        int n = 0;
        for (std::string line; std::getline(in, line);)
            ++n;
        return n;
    }

    zorva::testing::TempDirectory directory;
    const std::string starts = directory.file("starts.txt");
    // A short limit, so that a host that does not answer fails the test run quickly.
    HostedLockLibrary library{beside("fake_lock_host"), 1500ms};
};

TEST_F(FakeHostTest, AnswersAreTakenEvenAByteAtATime) {
    for (const char* mode : {"ready", "split"}) {
        setEnvironment("FAKE_LOCK_HOST", mode);
        library.start();
        EXPECT_EQ(library.initializeSystem(5), 101) << mode;
        GuestCardRequest card;
        EXPECT_EQ(library.issueGuestCard(card), 103) << mode;
        EXPECT_NO_THROW(library.beepOk()) << mode;
    }
}

struct FailingHost {
    const char* mode;
    Kind kind;
    const char* detail; // what the failure says, after the host's path where it names it
};

void PrintTo(const FailingHost& c, std::ostream* os) {
    *os << c.mode;
}

class FailingHostTest : public FakeHostTest, public ::testing::WithParamInterface<FailingHost> {};

TEST_P(FailingHostTest, ACallIsAbandonedTheHostEndedAndTheNextCallStartsANewOne) {
    setEnvironment("FAKE_LOCK_HOST", GetParam().mode);
    library.start();
    const auto failure = failureOf([&] { library.initializeSystem(5); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind(), GetParam().kind);
    EXPECT_EQ(failure->detail(), GetParam().detail);
    EXPECT_FALSE(library.running()) << "the host was ended";

    setEnvironment("FAKE_LOCK_HOST", "ready");
    EXPECT_EQ(library.initializeSystem(5), 101);
    EXPECT_EQ(startCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, FailingHostTest,
    ::testing::Values(FailingHost{"wrong-call", Kind::Stopped,
                                  "answered LV4_BeepOk #1 to LV4_InitializeSystem #1"},
                      FailingHost{"wrong-sequence", Kind::Stopped,
                                  "answered LV4_InitializeSystem #2 to LV4_InitializeSystem #1"},
                      FailingHost{"garbage", Kind::Stopped,
                                  "an answer that is not of the protocol"},
                      FailingHost{"silent", Kind::NoAnswer, ""},
                      FailingHost{"ends-mid", Kind::Stopped, "exit code 7"}),
    [](const auto& info) {
        std::string name = info.param.mode;
        std::erase(name, '-');
        return name;
    });

TEST_F(FakeHostTest, AFirstExchangeThatGoesWrongSaysWhatFailed) {
    const std::string host = beside("fake_lock_host");
    struct Case {
        const char* mode;
        std::string detail;
    } cases[] = {
        {"no-library", "Kilit Kütüphanesi Yüklenemedi - /x/libLevelLock.so: wrong ELF class: "
                       "ELFCLASS32"},
        {"old-version", "Kilit Kütüphanesi Sunucusu Başlatılamadı - " + host +
                            ": speaks version 2 of the protocol, not 1"},
        {"not-the-protocol", "Kilit Kütüphanesi Sunucusu Başlatılamadı - " + host +
                                 ": an answer that is not of the protocol"},
        {"ends-at-once", "Kilit Kütüphanesi Sunucusu Başlatılamadı - " + host + ": exit code 4"},
    };
    for (const Case& c : cases) {
        setEnvironment("FAKE_LOCK_HOST", c.mode);
        const auto failure = failureOf([&] { library.start(); });
        ASSERT_TRUE(failure) << c.mode;
        EXPECT_EQ(failure->kind(), Kind::NotStarted) << c.mode;
        EXPECT_EQ(failure->detail(), c.detail);
        EXPECT_FALSE(library.running());
    }
    HostedLockLibrary nowhere(platform::executableDirectory() + "no-such-host");
    const auto failure = failureOf([&] { nowhere.start(); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind(), Kind::NotStarted);
    EXPECT_THAT(failure->detail(),
                ::testing::StartsWith("Kilit Kütüphanesi Sunucusu Başlatılamadı - "));
    EXPECT_THAT(failure->detail(), ::testing::HasSubstr("no-such-host"));
}

// The real host with the stand-in library, told to misbehave in LV4_IssueGuestCard.
class MisbehavingLibraryTest : public ::testing::Test {
protected:
    void TearDown() override {
        unsetEnvironment("LEVELLOCK_FAIL_LV4_IssueGuestCard");
        unsetEnvironment("LEVELLOCK_DELAY_LV4_IssueGuestCard");
    }
    HostedLockLibrary library{beside("zorva-lock-host"), 2s};
};

TEST_F(MisbehavingLibraryTest, AHangACrashAndAnAbortEachCostOneCall) {
    struct Case {
        const char* how;
        Kind kind;
        bool (*detailFits)(const std::string&);
    } cases[] = {
        {"hang", Kind::NoAnswer, [](const std::string& d) { return d.empty(); }},
        {"crash", Kind::Stopped,
         [](const std::string& d) {
             return d.starts_with("signal ") || d.starts_with("exit code");
         }},
        {"abort", Kind::Stopped,
         [](const std::string& d) {
             return d.starts_with("signal ") || d.starts_with("exit code");
         }},
    };
    for (const Case& c : cases) {
        setEnvironment("LEVELLOCK_FAIL_LV4_IssueGuestCard", c.how);
        library.start();
        EXPECT_EQ(library.initializeSystem(5), 0) << "the other calls work";
        GuestCardRequest card;
        const auto failure = failureOf([&] { library.issueGuestCard(card); });
        ASSERT_TRUE(failure) << c.how;
        EXPECT_EQ(failure->kind(), c.kind) << c.how;
        EXPECT_TRUE(c.detailFits(failure->detail())) << c.how << ": " << failure->detail();
        unsetEnvironment("LEVELLOCK_FAIL_LV4_IssueGuestCard");
        library.start();
        EXPECT_EQ(library.issueGuestCard(card), 0) << "a new host after " << c.how;
    }
}

TEST_F(MisbehavingLibraryTest, ASlowCallWithinTheLimitIsAnsweredInFull) {
    setEnvironment("LEVELLOCK_DELAY_LV4_IssueGuestCard", "700");
    library.start();
    GuestCardRequest card;
    EXPECT_EQ(library.issueGuestCard(card), 0);
}

TEST(HostChoice, A32BitLibraryGetsThe32BitHost) {
    zorva::testing::TempDirectory dir;
    const std::string folder = dir.path().string() + "/";
    const std::string library = folder + platform::sharedLibraryFileName("LevelLock");
    EXPECT_EQ(HostedLockLibrary::hostFor(folder),
              folder + platform::executableFileName("zorva-lock-host"))
        << "no library: the host of this system's own kind, which will say it is missing";
    // The stand-in beside the tests is built for this machine.
    std::filesystem::copy_file(
        platform::executableDirectory() + platform::sharedLibraryFileName("LevelLock"), library);
    EXPECT_EQ(HostedLockLibrary::hostFor(folder),
              folder + platform::executableFileName("zorva-lock-host"));
    // An i386 ELF header says the same as a 32-bit Windows DLL's would.
    std::string header(64, '\0');
    header.replace(0, 6,
                   "\x7f"
                   "ELF\x01\x01");
    header[18] = 3;
    zorva::testing::writeBytes(library, header);
    EXPECT_EQ(HostedLockLibrary::hostFor(folder),
              folder + platform::executableFileName("zorva-lock-host32"));
}

} // namespace
} // namespace zorva::lock
