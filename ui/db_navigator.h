#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "rooms/memory_data_set.h"
#endif

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QToolButton;

namespace zorva::ui {

class DataSetModel;

// A record navigator: prior, next, insert, delete, post and cancel on the table of its data
// source, each button enabled only where its operation can run.
class DBNavigator : public QWidget, public rooms::DataSetObserver {
    Q_OBJECT
public:
    enum Button { Prior, Next, Insert, Delete, Post, Cancel };

    explicit DBNavigator(QWidget* parent = nullptr);
    ~DBNavigator() override;

    void setDataSource(DataSetModel* source);
    DataSetModel* dataSource() const { return m_source; }
    QToolButton* button(Button b) const { return m_buttons[static_cast<std::size_t>(b)]; }
    void click(Button b);

    void dataEvent(rooms::DataEvent event) override;
    void dataSetDestroyed() override;

    // Asks "Delete record?" in a box titled "Confirm" with OK and Cancel; tests answer it.
    std::function<bool()> confirmDelete;

private:
    void attach();
    void detach();
    void updateButtons();

    QPointer<DataSetModel> m_source;
    rooms::MemoryDataSet* m_table = nullptr;
    std::array<QToolButton*, 6> m_buttons{};
};

} // namespace zorva::ui
