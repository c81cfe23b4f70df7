#include "platform/error.h"
#include "rooms/room_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zorva::rooms;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

struct Room {
    int alan, bina, kat, oda;
    std::string name;
};

class RoomTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        table->open();
        table->afterPost = [this](MemoryDataSet&) { ++posts; };
        table->afterDelete = [this](MemoryDataSet&) { ++deletes; };
    }

    void add(const Room& r) {
        table->append();
        table->field("ALAN").setAsInteger(r.alan);
        table->field("BINA").setAsInteger(r.bina);
        table->field("KAT").setAsInteger(r.kat);
        table->field("ODA").setAsInteger(r.oda);
        table->field("ODA_STR").setAsString(r.name);
        table->post();
    }

    void addRooms(std::initializer_list<std::string> names) {
        int n = 1;
        for (const auto& name : names)
            add({1, 1, 1, n++, name});
    }

    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (int i = 0; i < table->recordCount(); ++i) {
            const auto& v = table->recordAt(i)[4];
            out.push_back(v ? std::get<std::string>(*v) : "<null>");
        }
        return out;
    }

    std::string currentName() { return table->field("ODA_STR").asString(); }

    std::unique_ptr<MemoryDataSet> table = makeRoomTable();
    int posts = 0;
    int deletes = 0;
};

} // namespace

TEST_F(RoomTableTest, NewRecordStartsAllNullAndNullsReadAsZeroOrEmpty) {
    table->append();
    for (int i = 0; i < table->fieldCount(); ++i)
        EXPECT_TRUE(table->field(i).isNull());
    table->post();
    EXPECT_EQ(table->recordCount(), 1);
    EXPECT_EQ(table->field("ODA").asInteger(), 0);
    EXPECT_EQ(table->field("ODA").asString(), "");
    EXPECT_EQ(table->field("ODA_STR").asString(), "");
}

TEST_F(RoomTableTest, RoomNameIsCutToHundredCharactersAndEmptyNameIsNull) {
    table->append();
    table->field("ODA_STR").setAsString(std::string(101, 'x'));
    EXPECT_EQ(table->field("ODA_STR").asString(), std::string(100, 'x'));
    table->field("ODA_STR").setAsString("");
    EXPECT_TRUE(table->field("ODA_STR").isNull());
}

TEST_F(RoomTableTest, IntegerTextConversion) {
    struct Case {
        std::string text;
        bool ok;
        int value;
    } cases[] = {
        {"12", true, 12},
        {"  12", true, 12},
        {"+7", true, 7},
        {"-2147483648", true, INT32_MIN},
        {"2147483647", true, INT32_MAX},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$1F", true, 31},
        {"0x1f", true, 31},
        {"X10", true, 16},
        {"$FFFFFFFF", true, -1},
        {"$100000000", false, 0},
        {"12 ", false, 0},
        {"1 2", false, 0},
        {"abc", false, 0},
        {" ", false, 0},
        {"-", false, 0},
        {"0x", false, 0},
        {"1.5", false, 0},
    };
    table->append();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        table->field("ODA").setAsInteger(99);
        if (c.ok) {
            table->field("ODA").setAsString(c.text);
            EXPECT_EQ(table->field("ODA").asInteger(), c.value);
        } else {
            try {
                table->field("ODA").setAsString(c.text);
                ADD_FAILURE() << "no error";
            } catch (const zorva::platform::Error& e) {
                EXPECT_EQ(std::string(e.what()),
                          "'" + c.text + "' is not a valid integer value for field 'ODA'");
            }
            EXPECT_EQ(table->field("ODA").asInteger(), 99) << "keeps its previous value";
            EXPECT_EQ(table->state(), DataSetState::Insert);
        }
    }
    table->field("ODA").setAsString("");
    EXPECT_TRUE(table->field("ODA").isNull());
}

TEST_F(RoomTableTest, CursorFlagsAndRecordNumber) {
    EXPECT_TRUE(table->bof());
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->recNo(), 0);
    addRooms({"101", "102", "103"});
    table->first();
    EXPECT_TRUE(table->bof());
    EXPECT_FALSE(table->eof());
    EXPECT_EQ(table->recNo(), 1);
    table->next();
    table->next();
    EXPECT_EQ(table->recNo(), 3);
    EXPECT_FALSE(table->eof()) << "end is reached only by a move past the last record";
    table->next();
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->recNo(), 3);
    table->prior();
    EXPECT_FALSE(table->eof());
    EXPECT_EQ(currentName(), "102");
    table->last();
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(currentName(), "103");
}

TEST_F(RoomTableTest, InsertPlacesBeforeCurrentAndAppendAfterLast) {
    addRooms({"A", "B", "C", "D"});
    table->first();
    table->next();
    table->next(); // C is third
    table->insert();
    table->field("ODA_STR").setAsString("NEW");
    table->post();
    EXPECT_THAT(names(), ElementsAre("A", "B", "NEW", "C", "D"));
    EXPECT_EQ(table->recNo(), 3);
    EXPECT_EQ(currentName(), "NEW");

    table->first();
    table->append();
    table->field("ODA_STR").setAsString("LAST");
    table->post();
    EXPECT_THAT(names(), ElementsAre("A", "B", "NEW", "C", "D", "LAST"));
    EXPECT_EQ(currentName(), "LAST");

    table->empty();
    table->insert();
    table->field("ODA_STR").setAsString("ONLY");
    table->post();
    EXPECT_THAT(names(), ElementsAre("ONLY"));
}

TEST_F(RoomTableTest, EditOnEmptyTableStartsInsert) {
    table->edit();
    EXPECT_EQ(table->state(), DataSetState::Insert);
    table->field("ODA_STR").setAsString("101");
    table->post();
    EXPECT_THAT(names(), ElementsAre("101"));
}

TEST_F(RoomTableTest, CancelRestoresEditAndDropsInsert) {
    addRooms({"A", "B"});
    table->first();
    table->edit();
    table->field("ODA_STR").setAsString("changed");
    table->cancel();
    EXPECT_EQ(currentName(), "A");
    table->next();
    table->insert();
    table->field("ODA_STR").setAsString("X");
    table->cancel();
    EXPECT_THAT(names(), ElementsAre("A", "B"));
    EXPECT_EQ(currentName(), "B") << "the record current before the insert is current again";
    EXPECT_EQ(posts, 2);
}

TEST_F(RoomTableTest, DeleteRules) {
    addRooms({"A", "B", "C"});
    table->first();
    table->next();
    table->deleteRecord();
    EXPECT_THAT(names(), ElementsAre("A", "C"));
    EXPECT_EQ(currentName(), "C") << "the following record becomes current";
    table->deleteRecord();
    EXPECT_EQ(currentName(), "A") << "after the last, the new last one";
    EXPECT_EQ(deletes, 2);

    table->insert();
    table->deleteRecord(); // acts as cancel
    EXPECT_EQ(deletes, 2);
    EXPECT_THAT(names(), ElementsAre("A"));

    table->edit();
    table->field("ODA_STR").setAsString("pending");
    table->deleteRecord();
    EXPECT_TRUE(table->isEmpty());
    EXPECT_EQ(table->recNo(), 0);
    EXPECT_EQ(deletes, 3);
}

TEST_F(RoomTableTest, AChangeRefusedBeforeItBeginsLeavesTheTableAsItWas) {
    addRooms({"101", "102"});
    table->first();
    int asked = 0;
    table->beforeChange = [&](MemoryDataSet&) {
        ++asked;
        throw zorva::platform::Error("refused");
    };
    for (auto change : {&MemoryDataSet::edit, &MemoryDataSet::insert, &MemoryDataSet::append,
                        &MemoryDataSet::deleteRecord}) {
        EXPECT_THROW((table.get()->*change)(), zorva::platform::Error);
        EXPECT_EQ(table->state(), DataSetState::Browse);
        EXPECT_EQ(table->recNo(), 1);
    }
    EXPECT_EQ(asked, 4);
    EXPECT_THAT(names(), ElementsAre("101", "102"));
    EXPECT_EQ(posts, 2);
    EXPECT_EQ(deletes, 0);
    // Moving and looking up change nothing and are not asked about.
    table->next();
    EXPECT_TRUE(table->locate("ODA_STR", "101"));
    EXPECT_EQ(asked, 4);
}

TEST_F(RoomTableTest, FailuresCarryTheTableName) {
    EXPECT_THROW(
        {
            try {
                table->deleteRecord();
            } catch (const zorva::platform::Error& e) {
                EXPECT_STREQ(e.what(),
                             "OdaTanim_Rx: Cannot perform this operation on an empty dataset");
                throw;
            }
        },
        zorva::platform::Error);
    addRooms({"A"});
    try {
        table->post();
        ADD_FAILURE();
    } catch (const zorva::platform::Error& e) {
        EXPECT_STREQ(e.what(), "OdaTanim_Rx: Dataset not in edit or insert mode");
    }
}

TEST_F(RoomTableTest, FinishingPendingChangePostsOnlyChangedRecords) {
    addRooms({"A"});
    posts = 0;
    table->append();
    table->first(); // unchanged new row disappears
    EXPECT_THAT(names(), ElementsAre("A"));
    EXPECT_EQ(posts, 0);

    table->append();
    table->field("ODA_STR").setAsString("B");
    table->first();
    EXPECT_THAT(names(), ElementsAre("A", "B"));
    EXPECT_EQ(posts, 1);

    table->edit();
    table->next();
    EXPECT_EQ(posts, 1) << "an edit without changes is cancelled";
}

TEST_F(RoomTableTest, ObserversHandInTheirValuesBeforePosting) {
    struct Editor : DataSetObserver {
        MemoryDataSet* table;
        std::string held;
        void updateRecord() override {
            if (!held.empty())
                table->field("ODA_STR").setAsString(held);
            held.clear();
        }
    } editor;
    editor.table = table.get();
    table->addObserver(&editor);
    table->append();
    editor.held = "typed";
    table->first();
    EXPECT_THAT(names(), ElementsAre("typed"));
    table->removeObserver(&editor);
}

TEST_F(RoomTableTest, BookmarksSurviveInsertsAndDeletes) {
    addRooms({"A", "B", "C"});
    table->first();
    table->next();
    const Bookmark b = table->bookmark();
    table->first();
    table->insert();
    table->field("ODA_STR").setAsString("Z");
    table->post();
    table->last();
    table->deleteRecord();
    ASSERT_TRUE(table->gotoBookmark(b));
    EXPECT_EQ(currentName(), "B");
    table->deleteRecord();
    table->first();
    EXPECT_FALSE(table->gotoBookmark(b));
    EXPECT_EQ(currentName(), "Z") << "a lost bookmark leaves the cursor where it is";
}

TEST_F(RoomTableTest, DisplayUpdatesNestAndRefreshOnce) {
    struct Counter : DataSetObserver {
        int events = 0;
        void dataEvent(DataEvent) override { ++events; }
    } counter;
    table->addObserver(&counter);
    table->disableControls();
    table->disableControls();
    addRooms({"A", "B"});
    table->enableControls();
    EXPECT_EQ(counter.events, 0);
    table->enableControls();
    EXPECT_EQ(counter.events, 1);
    table->removeObserver(&counter);
}

TEST_F(RoomTableTest, LookupByName) {
    addRooms({"101", " 101", "101 ", "A12", "dup", "x", "dup", ""});
    struct Case {
        std::string name;
        int startRecNo;
        bool found;
        int recNo;
    } cases[] = {
        {"101", 5, true, 1},  {" 101", 1, true, 2}, {"101 ", 1, true, 3},
        {"a12", 2, false, 2}, {"A12", 1, true, 4},  {"dup", 7, true, 7},
        {"dup", 1, true, 5},  {"", 1, true, 8},     {"nope", 6, false, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.name + "' from " + std::to_string(c.startRecNo));
        table->moveToRecNo(c.startRecNo);
        EXPECT_EQ(table->locate("ODA_STR", c.name), c.found);
        EXPECT_EQ(table->recNo(), c.recNo);
    }
}

TEST_F(RoomTableTest, LookupLeavesTheEndFlagsAndTellsTheControlsAsSteppingThroughWould) {
    addRooms({"101", "102", "103"});
    struct Recorder : DataSetObserver {
        void dataEvent(DataEvent e) override { events.push_back(e); }
        std::vector<DataEvent> events;
    } recorder;
    table->addObserver(&recorder);
    struct Case {
        const char* field;
        std::string value;
        int startRecNo;
        bool found;
        int recNo;
        bool bof;
        std::vector<DataEvent> events;
    } cases[] = {
        {"ODA_STR", "101", 3, true, 1, true, {DataEvent::Changed, DataEvent::Scrolled}},
        {"ODA_STR", "103", 1, true, 3, false, {DataEvent::Changed, DataEvent::Scrolled}},
        {"ODA_STR", "102", 2, true, 2, false, {DataEvent::Scrolled}},
        {"ODA_STR", "104", 1, false, 1, false, {DataEvent::Changed}},
        {"ODA", "2", 3, true, 2, false, {DataEvent::Changed, DataEvent::Scrolled}},
        {"ODA", "02", 1, false, 1, false, {DataEvent::Changed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " '" + c.value + "' from " +
                     std::to_string(c.startRecNo));
        table->first();
        table->moveToRecNo(c.startRecNo);
        recorder.events.clear();
        EXPECT_EQ(table->locate(c.field, c.value), c.found);
        EXPECT_EQ(table->recNo(), c.recNo);
        EXPECT_EQ(table->bof(), c.bof);
        EXPECT_FALSE(table->eof());
        EXPECT_EQ(recorder.events, c.events);
    }
    table->removeObserver(&recorder);
}

TEST_F(RoomTableTest, LookupEmptyNameWithoutEmptyRecordAndOnEmptyTable) {
    EXPECT_FALSE(table->locate("ODA_STR", ""));
    EXPECT_FALSE(table->locate("ODA_STR", "101"));
    addRooms({"101"});
    EXPECT_FALSE(table->locate("ODA_STR", ""));
}

TEST_F(RoomTableTest, LookupPostsPendingNewRowFirstWhichCanBeFound) {
    addRooms({"101"});
    posts = 0;
    table->append();
    table->field("ODA_STR").setAsString("202");
    EXPECT_TRUE(table->locate("ODA_STR", "202"));
    EXPECT_EQ(posts, 1);
    EXPECT_THAT(names(), ElementsAre("101", "202"));

    table->append();
    EXPECT_FALSE(table->locate("ODA_STR", "303"));
    EXPECT_THAT(names(), ElementsAre("101", "202")) << "an unchanged new row disappears";
    EXPECT_EQ(posts, 1);
}

TEST_F(RoomTableTest, SaveFailureInLookupReachesTheCaller) {
    addRooms({"101"});
    table->afterPost = [](MemoryDataSet&) { throw zorva::platform::Error("Unable to write to x"); };
    table->edit();
    table->field("ODA").setAsInteger(5);
    EXPECT_THROW(table->locate("ODA_STR", "101"), zorva::platform::Error);
    EXPECT_EQ(table->field("ODA").asInteger(), 5) << "the post itself took place";
    EXPECT_EQ(table->state(), DataSetState::Browse);
}

TEST_F(RoomTableTest, ObserversOutlivingTheTableAreToldItIsGone) {
    struct Control : DataSetObserver {
        MemoryDataSet* table = nullptr;
        void dataSetDestroyed() override { table = nullptr; }
        ~Control() override {
            if (table)
                table->removeObserver(this);
        }
    } control;
    control.table = table.get();
    table->addObserver(&control);
    table.reset();
    EXPECT_EQ(control.table, nullptr);
}
