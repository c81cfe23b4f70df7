#pragma once

#include "rooms/memory_data_set.h"

#include <memory>

namespace zorva::rooms {

inline constexpr int roomNameSize = 100;

// OdaTanim_Rx: area, building, floor and room number of a door, and the name the front office
// uses for it.
std::unique_ptr<MemoryDataSet> makeRoomTable();

} // namespace zorva::rooms
