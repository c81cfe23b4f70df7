#include "rooms/room_table.h"

namespace zorva::rooms {

std::unique_ptr<MemoryDataSet> makeRoomTable() {
    return std::make_unique<MemoryDataSet>(
        "OdaTanim_Rx", std::vector<FieldDef>{{"ALAN", FieldType::Integer},
                                             {"BINA", FieldType::Integer},
                                             {"KAT", FieldType::Integer},
                                             {"ODA", FieldType::Integer},
                                             {"ODA_STR", FieldType::String, roomNameSize}});
}

} // namespace zorva::rooms
