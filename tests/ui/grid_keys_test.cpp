// The room grid's keys on a table of its own, against the table's cursor and states.

#include "grid_fixture.h"
#include "rooms/room_table.h"
#include "ui/db_navigator.h"

#include <QStatusBar>
#include <QToolButton>

using namespace zorva;
using rooms::DataSetState;

namespace {

std::vector<ui::GridColumn> roomColumns() {
    return {{"ODA_STR", QStringLiteral("Oda Adı")},
            {"ODA", QStringLiteral("Oda ID")},
            {"KAT", QStringLiteral("Kat ID")},
            {"BINA", QStringLiteral("Bina ID")},
            {"ALAN", QStringLiteral("Alan ID")}};
}

class RoomGridTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        rooms->open();
        rooms->afterPost = [this](rooms::MemoryDataSet&) { ++posts; };
        rooms->afterDelete = [this](rooms::MemoryDataSet&) { ++deletes; };
    }

    void TearDown() override {
        GridTest::TearDown();
        rooms.reset();
    }

    void addRooms(int count) {
        for (int i = 1; i <= count; ++i) {
            rooms->append();
            rooms->field("ODA_STR").setAsString("R" + std::to_string(i));
            rooms->field("ODA").setAsInteger(i);
            rooms->post();
        }
        rooms->first();
        posts = 0;
    }

    std::string currentName() { return rooms->field("ODA_STR").asString(); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (int i = 0; i < rooms->recordCount(); ++i) {
            const auto& v = rooms->recordAt(i)[4];
            out.push_back(v ? std::get<std::string>(*v) : "<null>");
        }
        return out;
    }

    std::unique_ptr<rooms::MemoryDataSet> rooms = rooms::makeRoomTable();
    int posts = 0;
    int deletes = 0;
};

struct Move {
    const char* name;
    int fromRecNo;
    int fromColumn;
    int key;
    Qt::KeyboardModifiers modifiers;
    int recNo;
    int column;
};

} // namespace

TEST_F(RoomGridTest, MovingKeys) {
    addRooms(40);
    show(*rooms, roomColumns(), 10);
    // Row 5 shown at the top, so that the visible rows are 5 to 14.
    const Move moves[] = {
        {"Up", 8, 1, Qt::Key_Up, Qt::NoModifier, 7, 1},
        {"Up at the first", 1, 1, Qt::Key_Up, Qt::NoModifier, 1, 1},
        {"Down", 8, 1, Qt::Key_Down, Qt::NoModifier, 9, 1},
        {"Page Down", 8, 1, Qt::Key_PageDown, Qt::NoModifier, 18, 1},
        {"Page Down near the end", 35, 1, Qt::Key_PageDown, Qt::NoModifier, 40, 1},
        {"Page Up", 18, 2, Qt::Key_PageUp, Qt::NoModifier, 8, 2},
        {"Page Up near the start", 3, 2, Qt::Key_PageUp, Qt::NoModifier, 1, 2},
        {"Ctrl+Page Up", 8, 0, Qt::Key_PageUp, Qt::ControlModifier, 5, 0},
        {"Ctrl+Up", 8, 0, Qt::Key_Up, Qt::ControlModifier, 5, 0},
        {"Ctrl+Page Down", 8, 0, Qt::Key_PageDown, Qt::ControlModifier, 14, 0},
        {"Ctrl+Down", 8, 0, Qt::Key_Down, Qt::ControlModifier, 14, 0},
        {"Left", 8, 2, Qt::Key_Left, Qt::NoModifier, 8, 1},
        {"Left at the first column", 8, 0, Qt::Key_Left, Qt::NoModifier, 8, 0},
        {"Right", 8, 2, Qt::Key_Right, Qt::NoModifier, 8, 3},
        {"Right at the last column", 8, 4, Qt::Key_Right, Qt::NoModifier, 8, 4},
        {"Ctrl+Left", 8, 3, Qt::Key_Left, Qt::ControlModifier, 8, 0},
        {"Ctrl+Right", 8, 1, Qt::Key_Right, Qt::ControlModifier, 8, 4},
        {"Home", 8, 3, Qt::Key_Home, Qt::NoModifier, 8, 0},
        {"End", 8, 1, Qt::Key_End, Qt::NoModifier, 8, 4},
        {"Ctrl+Home", 8, 3, Qt::Key_Home, Qt::ControlModifier, 1, 3},
        {"Ctrl+End", 8, 3, Qt::Key_End, Qt::ControlModifier, 40, 3},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.name);
        rooms->moveToRecNo(m.fromRecNo);
        grid->setCurrentIndex(model->index(m.fromRecNo - 1, m.fromColumn));
        grid->scrollTo(model->index(4, 0), QAbstractItemView::PositionAtTop);
        ASSERT_EQ(grid->rowAt(0), 4);
        press(m.key, m.modifiers);
        EXPECT_EQ(rooms->recNo(), m.recNo);
        EXPECT_EQ(gridRow(), m.recNo - 1) << "the grid stands on the table's record";
        EXPECT_EQ(gridColumn(), m.column);
        EXPECT_EQ(rooms->state(), DataSetState::Browse);
    }
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(rooms->recordCount(), 40);
}

TEST_F(RoomGridTest, CtrlEndFollowsTheSwitch) {
    addRooms(5);
    show(*rooms, roomColumns());
    EXPECT_TRUE(grid->KeyVK_END()) << "on by default";
    grid->setKeyVK_END(false);
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(rooms->recNo(), 1);
    EXPECT_EQ(gridColumn(), 0) << "the key is dropped, not taken as End";
    press(Qt::Key_End);
    EXPECT_EQ(gridColumn(), 4) << "End alone still moves to the last column";
    grid->setKeyVK_END(true);
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(rooms->recNo(), 5);
}

TEST_F(RoomGridTest, PropertiesThatOnlyStoreOrRefuse) {
    show(*rooms, roomColumns());
    grid->setAbout(QStringLiteral("s9.99"));
    EXPECT_TRUE(grid->setProperty("About", QStringLiteral("anything")));
    EXPECT_EQ(grid->About(), QStringLiteral("s1.09"));
    EXPECT_EQ(grid->property("About").toString(), QStringLiteral("s1.09"));
    EXPECT_FALSE(grid->Azerice());
    grid->setAzerice(true);
    EXPECT_TRUE(grid->property("Azerice").toBool());
    int customized = 0;
    grid->OnCustomize = [&](QObject*) { ++customized; };
    type(QStringLiteral("101"));
    press(Qt::Key_Down);
    press(Qt::Key_Up);
    press(Qt::Key_Insert);
    press(Qt::Key_Escape);
    EXPECT_EQ(customized, 0);
    EXPECT_EQ(names(), std::vector<std::string>{"101"}) << "Azerice changes nothing";
}

TEST_F(RoomGridTest, ReferencesAreClearedWhenTheirTargetsGo) {
    show(*rooms, roomColumns());
    auto* bar = new QStatusBar(host.get());
    grid->setStatusBar(bar);
    EXPECT_EQ(grid->StatusBar(), bar);
    delete bar;
    EXPECT_EQ(grid->StatusBar(), nullptr);
}

TEST_F(RoomGridTest, DownAppendsAfterTheLastRecordAndAnUnchangedNewRowStays) {
    addRooms(2);
    show(*rooms, roomColumns());
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(rooms->state(), DataSetState::Insert);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(gridRow(), 2);
    press(Qt::Key_Down);
    EXPECT_EQ(rooms->state(), DataSetState::Insert) << "nothing happens on the new row";
    EXPECT_EQ(model->rowCount(), 3);
    press(Qt::Key_Up);
    EXPECT_EQ(rooms->state(), DataSetState::Browse) << "Up drops the unchanged row";
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(gridRow(), 1);
    EXPECT_EQ(posts, 0);
}

TEST_F(RoomGridTest, AnUnchangedInsertedRowGivesWayInBothDirections) {
    addRooms(4);
    show(*rooms, roomColumns());
    rooms->moveToRecNo(3);
    press(Qt::Key_Insert);
    EXPECT_EQ(gridRow(), 2);
    EXPECT_EQ(cell(3, 0), QStringLiteral("R3"));
    press(Qt::Key_Down);
    EXPECT_EQ(rooms->state(), DataSetState::Browse);
    EXPECT_EQ(currentName(), "R3") << "the record that was below the new row";
    press(Qt::Key_Insert);
    press(Qt::Key_Up);
    EXPECT_EQ(currentName(), "R2") << "the record that was above the new row";
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(rooms->recordCount(), 4);
}

TEST_F(RoomGridTest, TypingOnAnEmptyTableStartsTheFirstRecord) {
    show(*rooms, roomColumns());
    EXPECT_EQ(model->rowCount(), 1) << "one blank row to type into";
    EXPECT_EQ(rooms->state(), DataSetState::Browse);
    type(QStringLiteral("A1"));
    EXPECT_EQ(rooms->state(), DataSetState::Insert);
    EXPECT_EQ(editorText(), QStringLiteral("A1"));
    press(Qt::Key_Return);
    EXPECT_EQ(editorText(), QStringLiteral("<closed>"));
    EXPECT_EQ(rooms->state(), DataSetState::Insert) << "taken in, not posted";
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "A1");
    EXPECT_EQ(posts, 0);
    press(Qt::Key_Right);
    type(QStringLiteral("12"));
    press(Qt::Key_Down);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(names(), std::vector<std::string>{"A1"});
    EXPECT_EQ(rooms->recordAt(0)[3], rooms::Value(std::int32_t{12}));
    EXPECT_EQ(rooms->state(), DataSetState::Insert) << "a new row after the last";
    EXPECT_EQ(gridColumn(), 1);
}

TEST_F(RoomGridTest, EnterF2AndBackspaceOpenTheCellEditor) {
    addRooms(2);
    show(*rooms, roomColumns());
    press(Qt::Key_Return);
    EXPECT_EQ(editorText(), QStringLiteral("R1"));
    EXPECT_EQ(rooms->state(), DataSetState::Browse) << "opening the editor changes nothing";
    press(Qt::Key_Return);
    EXPECT_EQ(editorText(), QStringLiteral("<closed>"));
    EXPECT_EQ(rooms->state(), DataSetState::Browse);
    press(Qt::Key_F2);
    EXPECT_EQ(editorText(), QStringLiteral("R1"));
    press(Qt::Key_Escape);
    press(Qt::Key_Backspace);
    EXPECT_EQ(editorText(), QString()) << "the whole text was selected";
    EXPECT_EQ(rooms->state(), DataSetState::Edit);
}

TEST_F(RoomGridTest, EscapeUndoesTheCellThenTheRecord) {
    addRooms(2);
    show(*rooms, roomColumns());
    type(QStringLiteral("X"));
    press(Qt::Key_Return);
    press(Qt::Key_Right);
    type(QStringLiteral("77"));
    press(Qt::Key_Escape);
    EXPECT_EQ(editorText(), QStringLiteral("<closed>"));
    EXPECT_EQ(rooms->state(), DataSetState::Edit) << "only the cell edit was undone";
    EXPECT_EQ(rooms->field("ODA").asString(), "1");
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "X");
    press(Qt::Key_F2);
    press(Qt::Key_Escape);
    EXPECT_EQ(rooms->state(), DataSetState::Browse)
        << "an unchanged editor gives way to the record";
    EXPECT_EQ(currentName(), "R1");

    press(Qt::Key_Down);
    press(Qt::Key_Down);
    ASSERT_EQ(rooms->state(), DataSetState::Insert);
    press(Qt::Key_Escape);
    EXPECT_EQ(model->rowCount(), 2) << "Esc removes the new row";
    EXPECT_EQ(posts, 0);
}

TEST_F(RoomGridTest, IntegerCellsTakeOnlySignsAndDigits) {
    addRooms(1);
    show(*rooms, roomColumns());
    press(Qt::Key_Right);
    type(QStringLiteral("a"));
    EXPECT_EQ(rooms->state(), DataSetState::Browse) << "a refused key changes nothing";
    type(QStringLiteral("x-1.2e"));
    EXPECT_EQ(editorText(), QStringLiteral("-12"));
    press(Qt::Key_Down);
    EXPECT_EQ(rooms->recordAt(0)[3], rooms::Value(std::int32_t{-12}));
}

TEST_F(RoomGridTest, TextThatIsNoIntegerKeepsTheRecordEditable) {
    addRooms(2);
    show(*rooms, roomColumns());
    press(Qt::Key_Right);
    type(QStringLiteral("1+2"));
    press(Qt::Key_Return);
    const QString error = QStringLiteral("'1+2' is not a valid integer value for field 'ODA'");
    EXPECT_EQ(errorBoxes, QStringList{error});
    EXPECT_EQ(editorText(), QStringLiteral("1+2")) << "the editor stays open with the text";
    EXPECT_EQ(rooms->state(), DataSetState::Edit);
    press(Qt::Key_Down);
    EXPECT_EQ(errorBoxes, (QStringList{error, error}));
    EXPECT_EQ(rooms->recNo(), 1) << "the cursor does not leave the record";
    grid->cellEditor()->selectAll();
    type(QStringLiteral("99999999999"));
    press(Qt::Key_Down);
    EXPECT_EQ(errorBoxes.back(),
              QStringLiteral("'99999999999' is not a valid integer value for field 'ODA'"));
    EXPECT_EQ(posts, 0);
    grid->cellEditor()->selectAll();
    type(QStringLiteral("+7"));
    press(Qt::Key_Down);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(rooms->recNo(), 2);
    EXPECT_EQ(rooms->recordAt(0)[3], rooms::Value(std::int32_t{7}));
}

TEST_F(RoomGridTest, RoomNamesKeepTheirFirstHundredCharacters) {
    show(*rooms, roomColumns());
    type(QString(99, u'a') + QStringLiteral("Şİ"));
    EXPECT_EQ(editorText().size(), 100);
    press(Qt::Key_Down);
    EXPECT_EQ(names(), std::vector<std::string>{std::string(99, 'a') + "\xDE"})
        << "Windows-1254 bytes in the table";
    model->setCellText(0, QString(150, u'b'));
    EXPECT_EQ(rooms->field("ODA_STR").asString(), std::string(100, 'b'));
}

TEST_F(RoomGridTest, CtrlDeleteAsksFirst) {
    addRooms(3);
    show(*rooms, roomColumns());
    rooms->moveToRecNo(2);
    deleteAnswer = false;
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(deleteQuestions, 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"R1", "R2", "R3"}));
    EXPECT_EQ(deletes, 0);
    press(Qt::Key_Delete);
    EXPECT_EQ(deleteQuestions, 1) << "Delete alone does not delete records";
    deleteAnswer = true;
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(names(), (std::vector<std::string>{"R1", "R3"}));
    EXPECT_EQ(currentName(), "R3");
    EXPECT_EQ(deletes, 1);
    rooms->empty();
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(deleteQuestions, 2) << "nothing to ask about on an empty table";
}

TEST_F(RoomGridTest, TabLeavesTheGridAndAnUnchangedNewRowIsDropped) {
    addRooms(1);
    show(*rooms, roomColumns());
    press(Qt::Key_Down);
    ASSERT_EQ(rooms->state(), DataSetState::Insert);
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), other);
    QCoreApplication::processEvents();
    EXPECT_EQ(rooms->state(), DataSetState::Browse);
    EXPECT_EQ(model->rowCount(), 1);

    grid->setFocus();
    press(Qt::Key_Down);
    type(QStringLiteral("R2"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), other) << "Tab leaves the cell editor for the next control";
    QCoreApplication::processEvents();
    EXPECT_EQ(rooms->state(), DataSetState::Insert) << "a changed row stays, unposted";
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "R2") << "its text was taken in";
    EXPECT_EQ(grid->cellEditor(), nullptr);
    EXPECT_EQ(posts, 0);
}

TEST_F(RoomGridTest, LeavingWithTextThatDoesNotConvertComesBack) {
    addRooms(1);
    show(*rooms, roomColumns());
    press(Qt::Key_Right);
    type(QStringLiteral("--"));
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(errorBoxes.size(), 1);
    EXPECT_EQ(focused(), grid->cellEditor());
    EXPECT_EQ(editorText(), QStringLiteral("--"));
}

TEST_F(RoomGridTest, ClickingAnotherRowPostsAndClickingTheSameRowDoesNot) {
    addRooms(3);
    show(*rooms, roomColumns());
    type(QStringLiteral("N1"));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(model->index(0, 2)).center());
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(rooms->field("ODA_STR").asString(), "N1") << "taken in on the column change";
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(model->index(2, 1)).center());
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(currentName(), "R3");
    EXPECT_EQ(gridColumn(), 1);
}

TEST_F(RoomGridTest, ClickingTheRecordIndicatorMovesAsACellClickDoes) {
    addRooms(3);
    show(*rooms, roomColumns());
    press(Qt::Key_Right);
    type(QStringLiteral("42"));
    QHeaderView* indicator = grid->verticalHeader();
    QTest::mouseClick(indicator->viewport(), Qt::LeftButton, {},
                      QPoint(indicator->width() / 2, indicator->sectionViewportPosition(2) + 5));
    EXPECT_EQ(posts, 1) << "the typed text was posted, not dropped";
    EXPECT_EQ(rooms->recordAt(0)[3], rooms::Value(std::int32_t{42}));
    EXPECT_EQ(currentName(), "R3");
    EXPECT_EQ(gridRow(), 2);
    EXPECT_EQ(gridColumn(), 1);
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(grid->columnViewportPosition(3) + 5, 5));
    EXPECT_EQ(gridRow(), 2) << "a title click moves nothing";
    EXPECT_EQ(gridColumn(), 1);
}

TEST_F(RoomGridTest, ClickingBelowADroppedNewRowFindsTheRecordClicked) {
    addRooms(4);
    show(*rooms, roomColumns());
    rooms->moveToRecNo(2);
    press(Qt::Key_Insert);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(model->index(3, 0)).center());
    EXPECT_EQ(currentName(), "R3") << "the row clicked showed R3";
    EXPECT_EQ(rooms->recordCount(), 4);
}

TEST_F(RoomGridTest, NavigatorButtonsAndTheirRules) {
    show(*rooms, roomColumns());
    auto* navigator = new ui::DBNavigator(host.get());
    navigator->setDataSource(model);
    int confirmations = 0;
    bool answer = false;
    navigator->confirmDelete = [&] {
        ++confirmations;
        return answer;
    };
    using B = ui::DBNavigator;
    const auto enabled = [&] {
        std::string flags;
        for (auto b : {B::Prior, B::Next, B::Insert, B::Delete, B::Post, B::Cancel})
            flags += navigator->button(b)->isEnabled() ? '1' : '0';
        return flags;
    };
    EXPECT_EQ(enabled(), "001000") << "empty table";
    navigator->click(B::Insert);
    EXPECT_EQ(enabled(), "001011") << "inserting on an empty table";
    type(QStringLiteral("A"));
    navigator->click(B::Post);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(enabled(), "111100") << "a post leaves neither end reached";
    navigator->click(B::Next);
    EXPECT_EQ(enabled(), "101100") << "the end reached";
    addRooms(2);
    EXPECT_EQ(enabled(), "011100") << "on the first record after first()";
    navigator->click(B::Next);
    EXPECT_EQ(enabled(), "111100");
    navigator->click(B::Next);
    navigator->click(B::Next);
    EXPECT_EQ(enabled(), "101100") << "past the last record";
    type(QStringLiteral("C"));
    EXPECT_EQ(enabled(), "101111") << "editing";
    navigator->click(B::Cancel);
    EXPECT_EQ(currentName(), "R2");
    EXPECT_EQ(posts, 0);
    navigator->click(B::Delete);
    EXPECT_EQ(confirmations, 1);
    EXPECT_EQ(rooms->recordCount(), 3) << "Cancel deletes nothing";
    answer = true;
    navigator->click(B::Delete);
    EXPECT_EQ(rooms->recordCount(), 2);
    EXPECT_EQ(deletes, 1);
    navigator->click(B::Prior);
    EXPECT_EQ(currentName(), "A");
    EXPECT_EQ(gridRow(), 0) << "the grid follows the navigator";
}

TEST_F(RoomGridTest, NavigatorPostTakesTheCellEditorInAndReportsBadText) {
    addRooms(1);
    show(*rooms, roomColumns());
    auto* navigator = new ui::DBNavigator(host.get());
    navigator->setDataSource(model);
    press(Qt::Key_Right);
    type(QStringLiteral("5-"));
    navigator->click(ui::DBNavigator::Post);
    EXPECT_EQ(errorBoxes,
              QStringList{QStringLiteral("'5-' is not a valid integer value for field 'ODA'")});
    EXPECT_EQ(rooms->state(), DataSetState::Edit);
    grid->cellEditor()->selectAll();
    type(QStringLiteral("55"));
    navigator->click(ui::DBNavigator::Post);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(rooms->recordAt(0)[3], rooms::Value(std::int32_t{55}));
}

TEST_F(RoomGridTest, TheTableGoingFirstLeavesTheControlsHarmless) {
    addRooms(2);
    show(*rooms, roomColumns());
    auto* navigator = new ui::DBNavigator(host.get());
    navigator->setDataSource(model);
    rooms.reset();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_FALSE(navigator->button(ui::DBNavigator::Insert)->isEnabled());
    press(Qt::Key_Down);
    host.reset();
}
