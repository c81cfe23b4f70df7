// The record on Linux: permission bits that refuse a line, a full disk, and a writer killed at
// any moment.

#include "tests/app/card_record_fixture.h"
#include "tests/support/permission_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorva::app {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CardRecordTest;
using test::issuedCard;
using test::localTime;
using test::readCsv;
using testing::writeBytes;

// A read-only file, and a read-only folder that the month's file is not in yet: the line is
// refused with the system's reason and nothing changes, until the cause goes.
TEST_F(CardRecordTest, PermissionBitsRefuseTheLineUntilTheyAllowIt) {
    const struct {
        const char* what;
        bool fileThere;
        std::string readOnly;
    } cases[] = {
        {"a read-only file", true, july()},
        {"a read-only folder", false, folder()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder());
        fs::create_directories(folder());
        const std::string old = CardRecord::fileStart() + CardRecord::lineFor(issuedCard());
        if (c.fileThere)
            writeBytes(july(), old);
        ASSERT_EQ(::chmod(c.readOnly.c_str(), c.fileThere ? 0444 : 0555), 0);
        CardRecord record(folder());
        {
            zorva::testing::PermissionChecks asOrdinaryUser;
            EXPECT_FALSE(record.append(issuedCard()));
            EXPECT_EQ(record.failure(), std::strerror(EACCES));
            EXPECT_EQ(record.failedPath(), july());
            EXPECT_FALSE(record.append(issuedCard()));
        }
        if (c.fileThere)
            EXPECT_EQ(contents(july()), old);
        else
            EXPECT_FALSE(fs::exists(july()));

        ASSERT_EQ(::chmod(c.readOnly.c_str(), 0755), 0);
        zorva::testing::PermissionChecks asOrdinaryUser;
        ASSERT_TRUE(record.append(issuedCard())) << record.failure();
        EXPECT_EQ(contents(july()), (c.fileThere ? old : CardRecord::fileStart()) +
                                        CardRecord::lineFor(issuedCard()) +
                                        CardRecord::lineFor(issuedCard()) +
                                        CardRecord::lineFor(issuedCard()));
    }
}

// /dev/full takes every write with "No space left on device", as a full disk does.
TEST_F(CardRecordTest, AFullDiskRefusesTheLineWithItsReason) {
    fs::create_directories(folder());
    fs::create_symlink("/dev/full", july());
    CardRecord record(folder());
    EXPECT_FALSE(record.append(issuedCard()));
    EXPECT_EQ(record.failure(), std::strerror(ENOSPC));
    fs::remove(july());
    ASSERT_TRUE(record.append(issuedCard()));
    EXPECT_EQ(contents(july()), CardRecord::fileStart() + CardRecord::lineFor(issuedCard()) +
                                    CardRecord::lineFor(issuedCard()));
}

// What the writer and the test share: the number of the next line, which lines append()
// wrote, and whether the writer was inside append() when it was killed.
struct Shared {
    static constexpr int mostLines = 1 << 18;
    std::atomic<int> next{0};
    std::atomic<bool> appending{false};
    std::atomic<bool> written[mostLines]{};
};

const platform::DateTime firstOfJuly = localTime(2025, 7, 1, 0, 0, 0);

// The line numbered i: its time is i seconds into July; the names make its quoting and its
// length vary, with line ends, quotes and separators inside and letters that take two bytes.
CardRecordEntry numbered(int i) {
    static const std::string names[] = {
        "Oda 101",
        "Oda \"K\xFDrm\xFDz\xFD\"; 2, 3",
        "\xDE\xFD\xF0 Odas\xFD\r\nKat 2",
        std::string(150, '\xFE'),
        " Kral Dairesi ",
        std::string(60, '"'),
    };
    CardRecordEntry entry = issuedCard();
    entry.localTime =
        platform::DateTime::fromMilliseconds(firstOfJuly.milliseconds() + std::int64_t{i} * 1000);
    entry.senderPort = 1024 + i % 60000;
    entry.roomName = names[static_cast<std::size_t>(i) % std::size(names)];
    entry.result = static_cast<std::int16_t>(i % 7 - 3);
    return entry;
}

// The number of a line by its time, or -1 for a time of no numbered line.
int numberOf(const std::string& time) {
    int day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(time.c_str(), "2025-07-%2d %2d:%2d:%2d", &day, &hour, &minute, &second) != 4)
        return -1;
    return ((day - 1) * 24 + hour) * 3600 + minute * 60 + second;
}

// A child that appends numbered lines until it is killed; bounded, so that a writer nobody
// kills ends by itself.
pid_t startWriter(Shared& shared, const std::string& folder) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        CardRecord record(folder);
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline) {
            const int i = shared.next++;
            if (i >= Shared::mostLines)
                break;
            shared.appending = true;
            shared.written[i] = record.append(numbered(i));
            shared.appending = false;
        }
        ::_exit(0);
    }
    return pid;
}

// A folder in memory (tmpfs), where a flush has nothing to wait for.
class MemoryFolder {
public:
    MemoryFolder() {
        char name[] = "/dev/shm/zorva-test-XXXXXX";
        if (!::mkdtemp(name))
            throw std::runtime_error("cannot make a folder in /dev/shm");
        m_path = name;
    }
    MemoryFolder(const MemoryFolder&) = delete;
    MemoryFolder& operator=(const MemoryFolder&) = delete;
    ~MemoryFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string folder() const { return m_path + "/Kartlar/"; }

private:
    std::string m_path;
};

struct Kills {
    int kills = 0;
    int insideAppend = 0;
};

// Starts writers and kills each among its appends (after a random count of lines, at a random
// moment of the next), the next writer carrying on in the same file, until there have been
// enough kills and lines; then appends one line more, after the last kill.
Kills killWriters(Shared& shared, const std::string& folder, int leastKills, int leastLines,
                  int mostLinesEach, int mostPauseMicroseconds, std::mt19937& random) {
    std::uniform_int_distribution<int> lines(1, mostLinesEach);
    std::uniform_int_distribution<int> pause(0, mostPauseMicroseconds);
    Kills done;
    while (done.kills < leastKills || shared.next < leastLines) {
        const int until = shared.next + lines(random);
        const pid_t writer = startWriter(shared, folder);
        if (writer <= 0)
            throw std::runtime_error("fork failed");
        for (int wait = 0; shared.next < until && wait < 1'000'000; ++wait)
            std::this_thread::sleep_for(10us);
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        ++done.kills;
        done.insideAppend += shared.appending.exchange(false);
    }
    const int last = shared.next++;
    CardRecord record(folder);
    shared.written[last] = record.append(numbered(last));
    return done;
}

// A cut line, then what the next writer put after it (a line end, and a quote before it when the
// cut fell inside quotes): the start of one of the lines numbered from..to, cut at a boundary
// between two memory pages of the file.
bool isCutAtAPage(std::string_view text, std::size_t offset, int from, int to) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (const std::size_t after : {std::size_t{2}, std::size_t{3}}) {
        const std::string_view written = text.substr(0, text.size() - after);
        if ((offset + written.size()) % page != 0)
            continue;
        for (int i = from; i <= to; ++i)
            if (CardRecord::lineFor(numbered(i)).starts_with(written))
                return true;
    }
    return false;
}

// Writers append lines, thousands of them in all, and are killed at random moments. Every line
// that append() wrote is there whole, in order, and nothing else is, but for one thing: Linux
// copies a write into the file page by page and gives up between two pages for a kill, so a line
// that crosses a page boundary can be cut exactly there; the next line then starts a line of
// its own. On the disk most kills fall inside a line's flush; in memory inside the rest.
TEST(CardRecordKill, AWriterKilledAtAnyMomentLeavesItsLinesWhole) {
    testing::TempDirectory onDisk;
    MemoryFolder inMemory;
    const struct {
        const char* where;
        std::string folder;
        int leastKills, leastLines, mostLinesEach, mostPauseMicroseconds;
    } cases[] = {
        {"onDisk", onDisk.file("Kartlar") + "/", 100, 2000, 40, 3000},
        {"inMemory", inMemory.folder(), 300, 20'000, 130, 30},
    };
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.where) + ", seed " + std::to_string(seed));
        void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(memory, MAP_FAILED);
        Shared& shared = *new (memory) Shared;
        const Kills kills = killWriters(shared, c.folder, c.leastKills, c.leastLines,
                                        c.mostLinesEach, c.mostPauseMicroseconds, random);
        const int last = shared.next - 1;
        ASSERT_TRUE(shared.written[last]);

        const std::string bytes = testing::readBytes(c.folder + "Kartlar-2025-07.csv");
        ASSERT_TRUE(bytes.starts_with(CardRecord::fileStart()));
        std::vector<test::CsvRecord> records;
        ASSERT_NO_THROW(records = readCsv(bytes, CardRecord::fileStart().size()));
        // The number of each whole line, in order; -1 for any other.
        std::vector<int> numbers;
        int newest = -1;
        for (const test::CsvRecord& r : records) {
            const int i = r.fields.size() == 9 ? numberOf(r.fields[0]) : -1;
            const bool whole = i > newest && bytes.compare(r.begin, r.end - r.begin,
                                                           CardRecord::lineFor(numbered(i))) == 0;
            numbers.push_back(whole ? i : -1);
            newest = whole ? i : newest;
        }
        ASSERT_EQ(newest, last);
        int cut = 0;
        for (std::size_t n = 0, next = 0; n < records.size(); ++n) {
            if (numbers[n] >= 0)
                continue;
            ++cut;
            next = std::max(next, n);
            while (numbers[next] < 0)
                ++next;
            const int before =
                n == 0 ? -1 : *std::max_element(numbers.begin(), numbers.begin() + n);
            const std::string_view text(bytes.data() + records[n].begin,
                                        records[n].end - records[n].begin);
            EXPECT_TRUE(isCutAtAPage(text, records[n].begin, before + 1, numbers[next] - 1))
                << "a line that is no writer's at " << records[n].begin << ": " << text;
        }
        EXPECT_LE(cut, kills.kills);
        std::vector<bool> found(static_cast<std::size_t>(last) + 1);
        for (const int i : numbers)
            if (i >= 0)
                found[static_cast<std::size_t>(i)] = true;
        int lost = 0;
        for (int i = 0; i <= last; ++i)
            lost += shared.written[i] && !found[static_cast<std::size_t>(i)];
        EXPECT_EQ(lost, 0) << "lines that append() wrote and that are not there whole";
        const std::string where = c.where;
        RecordProperty(where + "Kills", kills.kills);
        RecordProperty(where + "KillsInsideAppend", kills.insideAppend);
        RecordProperty(where + "WholeLines", static_cast<int>(records.size()) - cut);
        RecordProperty(where + "CutLines", cut);
        ::munmap(memory, sizeof(Shared));
    }
}

} // namespace
} // namespace zorva::app
