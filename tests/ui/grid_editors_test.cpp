// The in-place date editor and check box on a small table of their own: where the grid puts
// them, which keys reach them and how they read and write their fields.

#include "grid_fixture.h"
#include "platform/format_settings.h"
#include "ui/mv_dg_check_box.h"
#include "ui/mv_dg_date_edit.h"

#include <QCalendarWidget>

using namespace zorva;
using rooms::DataSetState;
using rooms::FieldType;
using ui::TMvDGCheckBox;
using ui::TMvDGDateEdit;

namespace {

enum Column { Name, Day, Flag, Stamp, Done };

platform::DateTime date(int year, int month, int day, int hour = 0) {
    platform::DateTime v;
    platform::DateTime::tryFromFields({year, month, day, hour, 0, 0, 0}, v);
    return v;
}

class EditorGridTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        table = std::make_unique<rooms::MemoryDataSet>(
            "Demo", std::vector<rooms::FieldDef>{{"NAME", FieldType::String, 20},
                                                 {"DAY", FieldType::Date, 0, 123},
                                                 {"FLAG", FieldType::String, 5, 123},
                                                 {"STAMP", FieldType::DateTime},
                                                 {"DONE", FieldType::Boolean, 0, 123}});
        table->setFormatSettings(platform::FormatSettings::turkish());
        table->setClock([] { return date(2025, 7, 29, 10); });
        table->open();
        add("a", date(2025, 7, 29), "1", date(2025, 7, 29, 14), true);
        add("b", std::nullopt, "0", std::nullopt, false);
        add("c", date(2025, 8, 1), "", std::nullopt, std::nullopt);
        table->first();
        show(*table, {{"NAME", QStringLiteral("Name")},
                      {"DAY", QStringLiteral("Day")},
                      {"FLAG", QStringLiteral("Flag")},
                      {"STAMP", QStringLiteral("Stamp")},
                      {"DONE", QStringLiteral("Done")}});
        dateEdit = new TMvDGDateEdit(host.get());
        checkBox = new TMvDGCheckBox(host.get());
        grid->setCont_DateEdit(dateEdit);
        dateEdit->setDBGrid(grid);
        grid->setCont_CheckBox(checkBox);
        checkBox->setDBGrid(grid);
        grid->setFocus();
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        GridTest::TearDown();
        table.reset();
    }

    void add(const char* name, std::optional<platform::DateTime> day, const char* flag,
             std::optional<platform::DateTime> stamp, std::optional<bool> done) {
        table->append();
        table->field("NAME").setAsString(name);
        if (day)
            table->field("DAY").setAsDateTime(*day);
        table->field("FLAG").setAsString(flag);
        if (stamp)
            table->field("STAMP").setAsDateTime(*stamp);
        if (done)
            table->field("DONE").setAsBoolean(*done);
        table->post();
    }

    void go(int row, int column) {
        table->moveToRecNo(row + 1);
        grid->setCurrentIndex(model->index(row, column));
        ASSERT_EQ(gridRow(), row);
        ASSERT_EQ(gridColumn(), column);
    }

    // Where an editor over the cell stands in the grid's parent.
    QRect cellInHost(int row, int column) const {
        const QRect cell = grid->visualRect(model->index(row, column));
        return QRect(grid->viewport()->mapTo(host.get(), cell.topLeft()), cell.size());
    }

    std::string text(const char* field) { return table->field(field).asString(); }

    std::unique_ptr<rooms::MemoryDataSet> table;
    TMvDGDateEdit* dateEdit = nullptr;
    TMvDGCheckBox* checkBox = nullptr;
};

} // namespace

TEST_F(EditorGridTest, EachEditorStandsOverTheFocusedCellOfTheColumnsItServes) {
    EXPECT_FALSE(dateEdit->isVisible());
    EXPECT_FALSE(checkBox->isVisible());
    press(Qt::Key_Right);
    EXPECT_TRUE(dateEdit->isVisible());
    EXPECT_EQ(dateEdit->geometry(), cellInHost(0, Day));
    EXPECT_EQ(dateEdit->dataField(), QStringLiteral("DAY"));
    EXPECT_EQ(dateEdit->dataSource(), model);
    EXPECT_EQ(dateEdit->text(), QStringLiteral("29.07.2025"));
    EXPECT_FALSE(checkBox->isVisible()) << "a date column never carries the check box";

    press(Qt::Key_Down);
    EXPECT_TRUE(dateEdit->isVisible()) << "a row change hides nothing";
    EXPECT_EQ(dateEdit->geometry(), cellInHost(1, Day));
    EXPECT_EQ(dateEdit->text(), QString());

    press(Qt::Key_Right);
    EXPECT_FALSE(dateEdit->isVisible()) << "hidden on leaving its column";
    EXPECT_TRUE(checkBox->isVisible());
    EXPECT_EQ(checkBox->geometry(), cellInHost(1, Flag));
    EXPECT_EQ(checkBox->dataField(), QStringLiteral("FLAG"));

    press(Qt::Key_Right);
    EXPECT_FALSE(checkBox->isVisible());
    EXPECT_FALSE(dateEdit->isVisible()) << "a date-time column is no date column";

    press(Qt::Key_Right);
    EXPECT_TRUE(checkBox->isVisible());
    EXPECT_EQ(checkBox->geometry(), cellInHost(1, Done));
    EXPECT_EQ(checkBox->checkState(), Qt::Unchecked) << "a boolean field, read as such";

    grid->setCont_DateEdit(nullptr);
    go(0, Day);
    EXPECT_TRUE(checkBox->isVisible()) << "without a date editor the tag decides";
    EXPECT_EQ(checkBox->dataField(), QStringLiteral("DAY"));
}

TEST_F(EditorGridTest, NothingIsPlacedWhileTheGridIsNotFocused) {
    other->setFocus();
    go(1, Day);
    EXPECT_FALSE(dateEdit->isVisible());
    grid->setFocus();
    EXPECT_TRUE(dateEdit->isVisible());
    EXPECT_EQ(dateEdit->geometry(), cellInHost(1, Day));
}

TEST_F(EditorGridTest, F2GoesToTheEditorOfTheSelectedField) {
    go(0, Day);
    press(Qt::Key_F2);
    EXPECT_EQ(focused(), dateEdit);
    EXPECT_EQ(grid->cellEditor(), nullptr) << "the grid's own editor does not open";

    grid->setFocus();
    go(0, Flag);
    press(Qt::Key_F2);
    EXPECT_EQ(focused(), checkBox);

    grid->setFocus();
    go(0, Stamp);
    press(Qt::Key_F2);
    ASSERT_NE(grid->cellEditor(), nullptr) << "no editor serves a date-time column";
    EXPECT_EQ(grid->cellEditor()->text(), QStringLiteral("29.07.2025 14:00:00"));
}

TEST_F(EditorGridTest, EnterAndTabInTheDateEditorHandTheDateInAndMoveOn) {
    go(0, Day);
    press(Qt::Key_F2);
    type(QStringLiteral("3.08.2025"));
    EXPECT_EQ(table->state(), DataSetState::Edit);
    press(Qt::Key_Return);
    EXPECT_EQ(text("DAY"), "3.08.2025");
    EXPECT_EQ(table->state(), DataSetState::Edit) << "taken in, not posted";
    EXPECT_EQ(focused(), grid);
    EXPECT_EQ(gridColumn(), Flag) << "Enter moves the grid to the next cell";
    EXPECT_FALSE(dateEdit->isVisible());

    press(Qt::Key_Left);
    press(Qt::Key_F2);
    type(QStringLiteral("4.08.2025"));
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), dateEdit) << "Tab does not move the focus by itself";
    QCoreApplication::processEvents();
    EXPECT_EQ(text("DAY"), "4.08.2025");
    EXPECT_EQ(focused(), grid);
    EXPECT_EQ(gridColumn(), Flag) << "Tab did what Enter does";
}

TEST_F(EditorGridTest, TabSentToTheGridGoesFromCellToCellAndRowToRow) {
    go(2, Done);
    grid->keyDown(Qt::Key_Tab);
    EXPECT_EQ(table->state(), DataSetState::Insert) << "after the last record a new one";
    EXPECT_EQ(gridRow(), 3);
    EXPECT_EQ(gridColumn(), Name);
    grid->keyDown(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(table->state(), DataSetState::Browse) << "the unchanged new row is dropped";
    EXPECT_EQ(gridRow(), 2);
    EXPECT_EQ(gridColumn(), Done);
    grid->keyDown(Qt::Key_Backtab);
    EXPECT_EQ(gridColumn(), Stamp);
    EXPECT_EQ(focused(), grid) << "sent straight to the grid, Tab moves no focus";
}

TEST_F(EditorGridTest, UpAndDownInTheDateEditorMoveTheGrid) {
    go(0, Day);
    press(Qt::Key_F2);
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), grid);
    EXPECT_EQ(gridRow(), 1);
    EXPECT_EQ(dateEdit->geometry(), cellInHost(1, Day));
    press(Qt::Key_F2);
    type(QStringLiteral("5.08.2025"));
    press(Qt::Key_Up);
    EXPECT_EQ(gridRow(), 0);
    EXPECT_EQ(table->state(), DataSetState::Browse);
    table->moveToRecNo(2);
    EXPECT_EQ(text("DAY"), "5.08.2025") << "posted on leaving the record";
}

TEST_F(EditorGridTest, ADateThatDoesNotConvertKeepsTheEditor) {
    go(0, Day);
    press(Qt::Key_F2);
    type(QStringLiteral("32.13.2025"));
    press(Qt::Key_Return);
    EXPECT_EQ(errorBoxes,
              QStringList{QStringLiteral("'32.13.2025' is not a valid date and time.")});
    EXPECT_EQ(focused(), dateEdit);
    EXPECT_EQ(gridColumn(), Day);
    EXPECT_EQ(text("DAY"), "29.07.2025");
    press(Qt::Key_Escape);
    EXPECT_EQ(dateEdit->text(), QStringLiteral("29.07.2025")) << "Esc shows the field again";
    press(Qt::Key_Return);
    EXPECT_EQ(errorBoxes.size(), 1);
    EXPECT_EQ(gridColumn(), Flag);
}

TEST_F(EditorGridTest, TheCalendarPicksADate) {
    go(1, Day);
    press(Qt::Key_F2);
    press(Qt::Key_F4);
    ASSERT_TRUE(dateEdit->calendarOpen());
    EXPECT_EQ(dateEdit->calendar()->selectedDate(), QDate(2025, 7, 29))
        << "an empty date opens on today";
    dateEdit->calendar()->setSelectedDate(QDate(2025, 9, 2));
    press(Qt::Key_Return);
    EXPECT_FALSE(dateEdit->calendarOpen());
    EXPECT_EQ(dateEdit->text(), QStringLiteral("2.09.2025"));
    EXPECT_EQ(focused(), dateEdit) << "Enter in the calendar is the calendar's";
    press(Qt::Key_Return);
    EXPECT_EQ(text("DAY"), "2.09.2025");
}

TEST_F(EditorGridTest, CharactersTheGridDoesNotTakeGoToTheSelectedEditor) {
    go(0, Day);
    press(Qt::Key_Escape);
    EXPECT_EQ(focused(), dateEdit) << "Esc reaches the key-press routing of an editable grid";

    grid->setFocus();
    grid->setEditingAllowed(false);
    go(1, Day);
    type(QStringLiteral("7.08.2025"));
    EXPECT_EQ(focused(), dateEdit);
    EXPECT_EQ(dateEdit->text(), QStringLiteral("7.08.2025"));
    press(Qt::Key_Return);
    EXPECT_EQ(text("DAY"), "7.08.2025");

    go(0, Flag);
    ASSERT_EQ(checkBox->checkState(), Qt::Checked);
    type(QStringLiteral(" "));
    EXPECT_EQ(focused(), checkBox);
    EXPECT_EQ(checkBox->checkState(), Qt::Unchecked) << "a space toggles it";
}

TEST_F(EditorGridTest, TheCheckBoxShowsItsFieldAndItsCaptions) {
    checkBox->setText(QStringLiteral("Flag"));
    const struct {
        int row;
        Qt::CheckState state;
    } cases[] = {{0, Qt::Checked}, {1, Qt::Unchecked}, {2, Qt::PartiallyChecked}};
    for (const auto& c : cases) {
        go(c.row, Flag);
        EXPECT_EQ(checkBox->checkState(), c.state) << c.row;
        EXPECT_EQ(checkBox->text(), QStringLiteral("Flag")) << "no ';', no caption change";
    }
    checkBox->setCaption2(QStringLiteral("Evet;Hayır;belki"));
    for (const auto& c : cases) {
        go(c.row, Flag);
        EXPECT_EQ(checkBox->text(),
                  c.state == Qt::Checked ? QStringLiteral("Evet") : QStringLiteral("Hayır;belki"))
            << c.row;
    }
    table->edit();
    table->field("FLAG").setAsString("yes");
    EXPECT_EQ(checkBox->checkState(), Qt::PartiallyChecked) << "neither value";
    table->field("FLAG").setAsString("1");
    EXPECT_EQ(checkBox->checkState(), Qt::Checked);
    EXPECT_EQ(checkBox->text(), QStringLiteral("Evet"));
    checkBox->setValueChecked(QStringLiteral("E"));
    table->field("FLAG").setAsString("e");
    EXPECT_EQ(checkBox->checkState(), Qt::Checked) << "recognised in any letter case";
}

TEST_F(EditorGridTest, ClickingTheCheckBoxWritesOneOrZero) {
    checkBox->setCaption2(QStringLiteral("On;Off"));
    go(2, Flag);
    QTest::mouseClick(checkBox, Qt::LeftButton);
    EXPECT_EQ(checkBox->checkState(), Qt::Checked) << "grey goes to checked";
    EXPECT_EQ(checkBox->text(), QStringLiteral("On"));
    EXPECT_EQ(table->state(), DataSetState::Edit);
    EXPECT_EQ(text("FLAG"), "") << "written when handed in";
    press(Qt::Key_Return);
    EXPECT_EQ(text("FLAG"), "1");
    EXPECT_EQ(focused(), grid);
    EXPECT_EQ(gridColumn(), Stamp);

    press(Qt::Key_Left);
    press(Qt::Key_F2);
    press(Qt::Key_Space);
    EXPECT_EQ(checkBox->text(), QStringLiteral("Off"));
    press(Qt::Key_Escape);
    EXPECT_EQ(checkBox->checkState(), Qt::Checked) << "Esc shows the field again";
    press(Qt::Key_Space);
    press(Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(text("FLAG"), "0") << "Tab did what Enter does";
    EXPECT_EQ(gridColumn(), Stamp);

    press(Qt::Key_Right);
    press(Qt::Key_F2);
    ASSERT_EQ(focused(), checkBox);
    press(Qt::Key_Space);
    press(Qt::Key_Return);
    EXPECT_EQ(table->recordAt(2)[4], rooms::Value(true)) << "a boolean written as such";
    EXPECT_EQ(table->state(), DataSetState::Insert) << "Enter in the last column went on";
}

TEST_F(EditorGridTest, ArrowKeysInTheCheckBox) {
    go(1, Flag);
    press(Qt::Key_F2);
    press(Qt::Key_Left);
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), checkBox) << "Left and Right do nothing";
    EXPECT_EQ(gridColumn(), Flag);
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), grid);
    EXPECT_EQ(gridRow(), 2);
    EXPECT_EQ(checkBox->geometry(), cellInHost(2, Flag));
    press(Qt::Key_F2);
    press(Qt::Key_Up);
    EXPECT_EQ(gridRow(), 1);

    checkBox->setDBGrid(nullptr);
    press(Qt::Key_F2);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), checkBox) << "without a grid the keys stay here";
    EXPECT_EQ(gridRow(), 1);
}

TEST_F(EditorGridTest, EditorsDestroyedAtRunTimeAreForgotten) {
    delete checkBox;
    checkBox = nullptr;
    EXPECT_EQ(grid->Cont_CheckBox(), nullptr);
    go(0, Flag);
    press(Qt::Key_F2);
    ASSERT_NE(grid->cellEditor(), nullptr) << "nothing routed to the check box";
    press(Qt::Key_Escape);

    go(0, Day);
    ASSERT_TRUE(dateEdit->isVisible());
    delete dateEdit;
    dateEdit = nullptr;
    EXPECT_EQ(grid->Cont_DateEdit(), nullptr);
    press(Qt::Key_Escape);
    press(Qt::Key_F2);
    ASSERT_NE(grid->cellEditor(), nullptr) << "nothing routed to the date editor";
    press(Qt::Key_Escape);

    auto* editor = new TMvDGDateEdit(host.get());
    editor->setDBGrid(grid);
    editor->setDataSource(model);
    editor->setDataField(QStringLiteral("DAY"));
    delete grid;
    grid = nullptr;
    EXPECT_EQ(editor->DBGrid(), nullptr);
    editor->show();
    editor->setFocus();
    press(Qt::Key_Return);
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), editor) << "with no grid to return to, the keys stay here";
    EXPECT_EQ(editor->text(), QStringLiteral("29.07.2025"));
}
