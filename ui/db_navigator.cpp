#include "ui/db_navigator.h"

#include "ui/data_set_model.h"
#include "ui/error_box.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace zorva::ui {

using rooms::DataSetState;

namespace {

// Small glyphs in the theme's blue for the six buttons.
QIcon glyph(DBNavigator::Button b) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x1f, 0x5f, 0xc8);
    p.setPen(QPen(blue, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(blue);
    QPainterPath path;
    switch (b) {
    case DBNavigator::Prior:
        path.addPolygon(QPolygonF({{11, 3}, {4, 8}, {11, 13}}));
        break;
    case DBNavigator::Next:
        path.addPolygon(QPolygonF({{5, 3}, {12, 8}, {5, 13}}));
        break;
    case DBNavigator::Insert:
        p.drawLine(8, 3, 8, 13);
        p.drawLine(3, 8, 13, 8);
        break;
    case DBNavigator::Delete:
        p.drawLine(3, 8, 13, 8);
        break;
    case DBNavigator::Post:
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{3, 8}, {7, 12}, {13, 4}}));
        break;
    case DBNavigator::Cancel:
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
        break;
    }
    p.drawPath(path);
    return QIcon(pixmap);
}

} // namespace

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    static const char* const names[] = {"Prior", "Next", "Insert", "Delete", "Post", "Cancel"};
    static const char* const hints[] = {"Prior record",  "Next record", "Insert record",
                                        "Delete record", "Post edit",   "Cancel edit"};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(names[i]));
        button->setToolTip(QString::fromLatin1(hints[i]));
        button->setIcon(glyph(static_cast<Button>(i)));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, i] { click(static_cast<Button>(i)); });
        m_buttons[static_cast<std::size_t>(i)] = button;
    }
    setFocusPolicy(Qt::TabFocus);
    confirmDelete = [this] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                        QStringLiteral("Delete record?"), QMessageBox::Ok | QMessageBox::Cancel,
                        this);
        return box.exec() == QMessageBox::Ok;
    };
    updateButtons();
}

DBNavigator::~DBNavigator() {
    detach();
}

void DBNavigator::attach() {
    m_table = m_source ? m_source->table() : nullptr;
    if (m_table)
        m_table->addObserver(this);
}

void DBNavigator::detach() {
    if (m_table)
        m_table->removeObserver(this);
    m_table = nullptr;
}

void DBNavigator::setDataSource(DataSetModel* source) {
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    detach();
    m_source = source;
    attach();
    if (m_source)
        connect(m_source, &QObject::destroyed, this, [this] {
            detach();
            updateButtons();
        });
    updateButtons();
}

void DBNavigator::dataSetDestroyed() {
    m_table = nullptr;
    updateButtons();
}

void DBNavigator::click(Button b) {
    if (!m_table || !button(b)->isEnabled())
        return;
    guarded(this, [&] {
        switch (b) {
        case Prior:
            m_table->prior();
            break;
        case Next:
            m_table->next();
            break;
        case Insert:
            m_table->insert();
            break;
        case Delete:
            if (confirmDelete())
                m_table->deleteRecord();
            break;
        case Post:
            m_table->post();
            break;
        case Cancel:
            m_table->cancel();
            break;
        }
    });
    updateButtons();
}

void DBNavigator::dataEvent(rooms::DataEvent) {
    updateButtons();
}

void DBNavigator::updateButtons() {
    const bool open = m_table && m_table->active();
    const bool editing = open && (m_table->state() == DataSetState::Edit ||
                                  m_table->state() == DataSetState::Insert);
    button(Prior)->setEnabled(open && !m_table->bof());
    button(Next)->setEnabled(open && !m_table->eof());
    button(Insert)->setEnabled(open);
    button(Delete)->setEnabled(open && !m_table->isEmpty());
    button(Post)->setEnabled(editing);
    button(Cancel)->setEnabled(editing);
}

} // namespace zorva::ui
