#include "ui/data_set_model.h"
#include "ui/memo_log.h"
#include "ui/mvrx_db_grid.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

struct Control {
    const char* name;
    const char* caption; // nullptr where the control has none
    QRect geometry;
};

QString captionOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

} // namespace

TEST_F(WindowTest, ControlsHaveTheirNamesCaptionsAndPlaces) {
    start();
    const Control controls[] = {
        {"sLabel21", "Kart Çeşidi", {16, 15, 79, 21}},
        {"ComboBoxEMD_KartTipi", nullptr, {100, 15, 88, 21}},
        {"sLabel20", "Çalışma Sektörü", {211, 15, 108, 21}},
        {"SpinEdit_EMD_CalismaSektoru", nullptr, {327, 16, 88, 21}},
        {"sLabel19", "Kayıt Kodu", {16, 47, 79, 21}},
        {"EditZorvakilt_EMD_R1", nullptr, {100, 47, 88, 21}},
        {"EditZorvakilt_EMD_R2", nullptr, {213, 47, 88, 21}},
        {"EditZorvakilt_EMD_R3", nullptr, {327, 47, 88, 21}},
        {"EditZorvakilt_EMD_R4", nullptr, {441, 47, 88, 21}},
        {"sLabel22", "Konuk Kartı Bilgi Sektörü 1", {14, 85, 152, 21}},
        {"SpinEdit_EMD_KNKSektor1", nullptr, {172, 85, 66, 21}},
        {"sLabel23", "Konuk Kartı Bilgi Sektörü 2", {14, 120, 152, 21}},
        {"SpinEdit_EMD_KNKSektor2", nullptr, {172, 120, 66, 21}},
        {"sLabel24", "Genel Sektör", {247, 85, 118, 21}},
        {"SpinEdit_EMD_GenelSektor1", nullptr, {372, 85, 66, 21}},
        {"sLabel25", "Kullanıcı Sektörü 1", {247, 120, 118, 21}},
        {"SpinEdit_EMD_KulSektor1", nullptr, {372, 120, 66, 21}},
        {"sLabel26", "Genel Sektör 2", {446, 85, 113, 21}},
        {"SpinEdit_EMD_GenelSektor2", nullptr, {565, 85, 66, 21}},
        {"sLabel27", "G.Kullanım K.Sektör", {446, 120, 113, 21}},
        {"SpinEdit_EMD_GKKSektor", nullptr, {565, 120, 66, 21}},
        {"sGroupBox1", "Anlık Sistem Logları", {0, 168, 701, 234}},
        {"MemoLog", nullptr, {5, 18, 691, 211}},
        {"GridPanel1", nullptr, {0, 402, 701, 41}},
        {"sBitBtn1", "Uygula", {0, 0, 351, 41}},
        {"sBitBtn2", "Gizle", {351, 0, 350, 41}},
        {"MVRXDBGrid1", nullptr, {0, 0, 701, 408}},
        {"sDBNavigator1", nullptr, {0, 408, 701, 35}},
        {"sLabel1", "Haberleşme Portu", {16, 23, 113, 21}},
        {"CurrencyEditUDP", nullptr, {144, 24, 84, 21}},
        {"CheckBoxAutoGizle", "Açılışta Programı otomatik Gizle", {27, 64, 206, 19}},
        {"CheckBoxWAcilis", "Windows açılışında otomatik çalıştır", {27, 97, 226, 19}},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        auto* w = find<QWidget>(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), c.geometry);
        if (c.caption) {
            EXPECT_EQ(captionOf(w), QString::fromUtf8(c.caption));
        }
    }
    for (const char* label : {"sLabel21", "sLabel22", "sLabel1"}) {
        auto* l = find<QLabel>(label);
        EXPECT_EQ(l->alignment(), Qt::AlignRight | Qt::AlignVCenter);
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(33, 33, 33));
        EXPECT_TRUE(l->font().bold());
    }
}

TEST_F(WindowTest, WindowIsFixedCentredAndOpensOnTheFirstPage) {
    start();
    EXPECT_EQ(window->size(), QSize(709, 471));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f"));
    auto* pages = find<QTabWidget>("PageControlMain");
    EXPECT_EQ(pages->currentIndex(), 0);
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Zorva Ayarları"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Oda Ayarları"));
    EXPECT_EQ(pages->tabText(2), QStringLiteral("Genel Ayarlar"));
    EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("sTabSheet9"));
    EXPECT_EQ(pages->widget(1)->objectName(), QStringLiteral("sTabSheet10"));
    EXPECT_EQ(pages->widget(2)->objectName(), QStringLiteral("sTabSheet1"));
}

TEST_F(WindowTest, DefaultValuesOfTheForm) {
    start();
    auto* cards = find<QComboBox>("ComboBoxEMD_KartTipi");
    QStringList items;
    for (int i = 0; i < cards->count(); ++i)
        items << cards->itemText(i);
    EXPECT_EQ(items,
              (QStringList{QStringLiteral("RF57"), QStringLiteral("MF1"), QStringLiteral("S70"),
                           QStringLiteral("MF0"), QStringLiteral("S20"), QStringLiteral("RF80")}));
    EXPECT_EQ(cards->currentIndex(), 1);
    EXPECT_FALSE(cards->isEditable());
    EXPECT_EQ(window->port(), 4040);
    EXPECT_EQ(window->sectors(), (std::array<std::int32_t, 7>{}));
    EXPECT_EQ(window->authCodeParts(), (std::array<std::string, 4>{}));
    EXPECT_FALSE(window->hideAtStartup());
    EXPECT_FALSE(find<QCheckBox>("CheckBoxWAcilis")->isChecked());
}

TEST_F(WindowTest, TabOrderOfTheLockAndGeneralPages) {
    start();
    const auto chainFrom = [this](const char* first, int count) {
        QStringList names;
        QWidget* w = find<QWidget>(first);
        while (names.size() < count) {
            names << w->objectName();
            do {
                w = w->nextInFocusChain();
            } while (w->objectName().isEmpty() ||
                     w->objectName().startsWith(QStringLiteral("qt_")) ||
                     w->focusPolicy() == Qt::NoFocus);
        }
        return names;
    };
    EXPECT_EQ(
        chainFrom("ComboBoxEMD_KartTipi", 15),
        (QStringList{
            QStringLiteral("ComboBoxEMD_KartTipi"), QStringLiteral("SpinEdit_EMD_CalismaSektoru"),
            QStringLiteral("EditZorvakilt_EMD_R1"), QStringLiteral("EditZorvakilt_EMD_R2"),
            QStringLiteral("EditZorvakilt_EMD_R3"), QStringLiteral("EditZorvakilt_EMD_R4"),
            QStringLiteral("SpinEdit_EMD_KNKSektor1"), QStringLiteral("SpinEdit_EMD_KNKSektor2"),
            QStringLiteral("SpinEdit_EMD_GenelSektor1"), QStringLiteral("SpinEdit_EMD_KulSektor1"),
            QStringLiteral("SpinEdit_EMD_GenelSektor2"), QStringLiteral("SpinEdit_EMD_GKKSektor"),
            QStringLiteral("MemoLog"), QStringLiteral("sBitBtn1"), QStringLiteral("sBitBtn2")}));
    EXPECT_EQ(chainFrom("CurrencyEditUDP", 3),
              (QStringList{QStringLiteral("CurrencyEditUDP"), QStringLiteral("CheckBoxAutoGizle"),
                           QStringLiteral("CheckBoxWAcilis")}));
}

TEST_F(WindowTest, TabMovesOnFromTheLogAsTheTabOrderSays) {
    start();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->MemoLog->setFocus();
    const auto press = [](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        return QApplication::focusWidget()->objectName();
    };
    EXPECT_EQ(press(Qt::Key_Tab), QStringLiteral("sBitBtn1"));
    EXPECT_EQ(press(Qt::Key_Tab), QStringLiteral("sBitBtn2"));
    EXPECT_EQ(press(Qt::Key_Backtab), QStringLiteral("sBitBtn1"));
    EXPECT_EQ(press(Qt::Key_Backtab), QStringLiteral("MemoLog"));
    EXPECT_EQ(press(Qt::Key_Backtab), QStringLiteral("SpinEdit_EMD_GKKSektor"));
    EXPECT_TRUE(window->MemoLog->toPlainText().isEmpty()) << "no tab typed into the log";
}

TEST_F(WindowTest, RoomGridShowsItsFiveColumns) {
    start();
    auto* grid = find<zorva::ui::TMVRXDBGrid>("MVRXDBGrid1");
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        titles << grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_EQ(grid->columnWidth(c), 120);
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Oda Adı"), QStringLiteral("Oda ID"),
                                   QStringLiteral("Kat ID"), QStringLiteral("Bina ID"),
                                   QStringLiteral("Alan ID")}));
    EXPECT_EQ(grid->About(), QStringLiteral("s1.09"));
}
TEST_F(WindowTest, EachPageIsTheClientAreaItsControlsFillWithoutStrips) {
    start();
    auto* tabs = window->PageControlMain;
    // The controls that reach the right and the bottom edge of their page.
    const std::pair<const char*, const char*> edges[] = {{"sGroupBox1", "GridPanel1"},
                                                         {"MVRXDBGrid1", "sDBNavigator1"}};
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        SCOPED_TRACE(page->objectName().toStdString());
        tabs->setCurrentIndex(i);
        EXPECT_EQ(page->size(), QSize(701, 443));
        if (i < 2) {
            EXPECT_EQ(find<QWidget>(edges[i].first)->geometry().right(), page->rect().right());
            EXPECT_EQ(find<QWidget>(edges[i].second)->geometry().bottom(), page->rect().bottom());
        }
        // Between the page and the window's edge there is only the pane's frame, the same on
        // the left, the right and the bottom, and none of it white.
        const QRect area(page->mapTo(window.get(), QPoint()), page->size());
        EXPECT_EQ(window->width() - 1 - area.right(), area.left());
        EXPECT_EQ(window->height() - 1 - area.bottom(), area.left());
        const QImage shot = window->grab().toImage();
        for (int x = area.right() + 1; x < window->width(); ++x)
            EXPECT_NE(shot.pixelColor(x, area.center().y()), QColor(Qt::white)) << "x " << x;
        for (int y = area.bottom() + 1; y < window->height(); ++y)
            EXPECT_NE(shot.pixelColor(area.center().x(), y), QColor(Qt::white)) << "y " << y;
        EXPECT_EQ(shot.pixelColor(area.right() - 300, area.bottom() - 200), QColor(Qt::white))
            << "the page itself is white";
    }
}

TEST_F(WindowTest, TabsButtonsAndCheckBoxesUseTheWindowsFaceNotTheApplications) {
    // The application's own font differs here on purpose, as the system's does on Windows.
    const QFont before = QApplication::font();
    QFont other(QStringLiteral("Liberation Serif"), 14);
    QApplication::setFont(other);
    start();
    const QFont windowFace = window->font();
    QStringList checked;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QTabBar*>(w) && !qobject_cast<QAbstractButton*>(w))
            continue;
        const QFont f = w->font();
        EXPECT_EQ(f.family(), windowFace.family())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
        EXPECT_TRUE(f.bold()) << w->objectName().toStdString();
        EXPECT_EQ(f.pointSize(), windowFace.pointSize()) << w->objectName().toStdString();
        checked << QString::fromLatin1(w->metaObject()->className());
    }
    QApplication::setFont(before);
    EXPECT_TRUE(checked.contains(QStringLiteral("QTabBar")));
    EXPECT_TRUE(checked.contains(QStringLiteral("QPushButton")));
    EXPECT_TRUE(checked.contains(QStringLiteral("QCheckBox")));
}
