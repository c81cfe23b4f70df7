#pragma once

// What the benchmarks share: the room table of 1,749 rooms, a check-in for its last room, and
// a way to keep the stand-in encoder's readable lines off the terminal while measuring.

#include "rooms/memory_data_set.h"

#include <memory>
#include <string>
#include <vector>

namespace zorva::bench {

inline constexpr int roomCount = 1749;

// ALAN, BINA, KAT and ODA within a byte each; names "Oda 1" to "Oda 1749".
std::unique_ptr<rooms::MemoryDataSet> makeRooms(int count = roomCount);

std::string checkinFor(const std::string& room, int variant = 0);

// The sample at that fraction of the way from the least to the greatest (0.5, the median).
double percentile(std::vector<double> samples, double p);
std::string lastRoomName();

// For its lifetime, standard error goes nowhere: the stand-in encoder writes a line there for
// every call, and a terminal is far slower than the code being measured.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int m_saved = -1;
};

// A fresh folder under /tmp (a disk here) or /dev/shm (memory), removed afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& base = "/tmp");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace zorva::bench
