#pragma once

#include "rooms/memory_data_set.h"
#include "ui/data_set_model.h"
#include "ui/error_box.h"
#include "ui/mvrx_db_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A grid over a table in a window of its own, focused, with a line edit to move the focus to,
// error boxes caught instead of shown and deletions confirmed by the test's answer.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        zorva::ui::setErrorBoxHook([this](const QString& text) { errorBoxes << text; });
    }

    void TearDown() override {
        host.reset();
        zorva::ui::setErrorBoxHook({});
    }

    // Shows the grid over the table with the given columns, rows of 18 pixels, `rows` of them
    // in full view.
    void show(zorva::rooms::MemoryDataSet& data, std::vector<zorva::ui::GridColumn> columns,
              int rows = 10) {
        host = std::make_unique<QWidget>();
        host->resize(640, 480);
        model = new zorva::ui::DataSetModel(data, std::move(columns), host.get());
        grid = new zorva::ui::TMVRXDBGrid(host.get());
        grid->setObjectName(QStringLiteral("grid"));
        grid->setDataSource(model);
        grid->confirmDelete = [this] {
            ++deleteQuestions;
            return deleteAnswer;
        };
        other = new QLineEdit(host.get());
        other->setObjectName(QStringLiteral("other"));
        host->show();
        host->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(host.get()));
        const int chrome = grid->height() - grid->viewport()->height();
        grid->setGeometry(10, 10, 560, chrome + rows * 18);
        other->setGeometry(10, grid->geometry().bottom() + 10, 100, 21);
        grid->setFocus();
        QCoreApplication::processEvents();
    }

    QWidget* focused() const { return QApplication::focusWidget(); }

    // Keys as the operator presses them: to whatever has the focus.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = focused();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }

    void type(const QString& text) {
        for (QChar c : text) {
            QWidget* target = focused();
            ASSERT_NE(target, nullptr);
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    int gridRow() const { return grid->currentIndex().row(); }
    int gridColumn() const { return grid->currentIndex().column(); }
    QString cell(int row, int column) const { return model->index(row, column).data().toString(); }
    QString editorText() const {
        return grid->cellEditor() ? grid->cellEditor()->text() : QStringLiteral("<closed>");
    }

    std::unique_ptr<QWidget> host;
    zorva::ui::DataSetModel* model = nullptr;
    zorva::ui::TMVRXDBGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    QStringList errorBoxes;
    int deleteQuestions = 0;
    bool deleteAnswer = true;
};
