#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "rooms/memory_data_set.h"
#endif

#include <QWidget>

#include <array>
#include <functional>

class QToolButton;

namespace zorva::ui {

// sDBNavigator1: prior, next, insert, delete, post and cancel on the bound table.
class DBNavigator : public QWidget, public rooms::DataSetObserver {
    Q_OBJECT
public:
    enum Button { Prior, Next, Insert, Delete, Post, Cancel };

    explicit DBNavigator(QWidget* parent = nullptr);
    ~DBNavigator() override;

    void setDataSet(rooms::MemoryDataSet* table);
    QToolButton* button(Button b) const { return m_buttons[static_cast<std::size_t>(b)]; }
    void click(Button b);

    void dataEvent(rooms::DataEvent event) override;

    // Asks "Delete record?" in a box titled "Confirm"; tests answer it.
    std::function<bool()> confirmDelete;
    // Runs before each button's action, so that a bound grid hands in its open editor.
    std::function<void()> beforeAction;

private:
    void updateButtons();

    rooms::MemoryDataSet* m_table = nullptr;
    std::array<QToolButton*, 6> m_buttons{};
};

} // namespace zorva::ui
