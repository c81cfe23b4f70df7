#pragma once

#include "rooms/memory_data_set.h"
#include "rooms/room_table.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zorva::rooms::test {

struct Room {
    std::optional<int> alan, bina, kat, oda;
    std::string name;
};

class DataSetIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        table->open();
        table->afterPost = [this](MemoryDataSet&) { ++posts; };
    }

    void add(const Room& r) {
        table->append();
        const auto set = [&](const char* field, std::optional<int> v) {
            if (v)
                table->field(field).setAsInteger(*v);
        };
        set("ALAN", r.alan);
        set("BINA", r.bina);
        set("KAT", r.kat);
        set("ODA", r.oda);
        table->field("ODA_STR").setAsString(r.name);
        table->post();
    }

    // Each record as "ALAN BINA KAT ODA name", null fields shown as "-".
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int i = 0; i < table->recordCount(); ++i) {
            std::string row;
            for (const auto& v : table->recordAt(i)) {
                if (!row.empty())
                    row += ' ';
                if (!v)
                    row += '-';
                else if (const auto* n = std::get_if<std::int32_t>(&*v))
                    row += std::to_string(*n);
                else
                    row += std::get<std::string>(*v);
            }
            out.push_back(row);
        }
        return out;
    }

    std::string path() const { return m_dir.file("Odalar.ini"); }

    zorva::testing::TempDirectory m_dir;
    std::unique_ptr<MemoryDataSet> table = makeRoomTable();
    int posts = 0;
};

} // namespace zorva::rooms::test
