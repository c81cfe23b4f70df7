// The window's controls: names, captions, places, sizes and tab order as the form gives them.

#include "ui/button_images.h"
#include "ui/data_set_model.h"
#include "ui/db_navigator.h"
#include "ui/memo_log.h"
#include "ui/mvrx_db_grid.h"
#include "ui/number_edit.h"
#include "ui/spin_edit.h"
#include "ui/ta_naf.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTabWidget>

namespace zorva::ui {

namespace {

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// The window's font, a little smaller where a face wider than the one the form was drawn with
// would cut the caption off.
QFont fittingFont(const QString& caption, int room) {
    QFont font = windowFont();
    while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

QLabel* label(QWidget* page, const char* name, const QString& caption, int left, int top, int width,
              int height) {
    auto* l = place(new QLabel(caption, page), name, left, top, width, height);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFont(fittingFont(caption, width - 2));
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, QColor(33, 33, 33));
    l->setPalette(palette);
    return l;
}

SpinEdit* spin(QWidget* page, const char* name, int left, int top, int width) {
    return place(new SpinEdit(page), name, left, top, width, 21);
}

QLineEdit* edit(QWidget* page, const char* name, int left, int top) {
    return place(new QLineEdit(page), name, left, top, 88, 21);
}

// The style sheet gives each widget it styles the application's font rather than its parent's,
// unless the widget has one of its own; a header draws its titles with its viewport's font.
void useWindowFont(QAbstractScrollArea* view) {
    view->setFont(windowFont());
    view->viewport()->setFont(windowFont());
}

void chain(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

} // namespace

void TAnaF::buildLayout() {
    setObjectName(QStringLiteral("AnaF"));
    setWindowTitle(QStringLiteral("Zorva Kilit"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(709, 471);
    setFont(windowFont());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setStyleSheet(themeStyleSheet());
    setWindowIcon(applicationIcon());

    PageControlMain = place(new QTabWidget(this), "PageControlMain", 0, 0, 709, 471);
    sTabSheet9 = new QWidget;
    sTabSheet9->setObjectName(QStringLiteral("sTabSheet9"));
    sTabSheet10 = new QWidget;
    sTabSheet10->setObjectName(QStringLiteral("sTabSheet10"));
    sTabSheet1 = new QWidget;
    sTabSheet1->setObjectName(QStringLiteral("sTabSheet1"));
    // The pane's frame leaves each page the client area the controls were laid out for; the
    // pages are white inside it.
    for (QWidget* sheet : {sTabSheet9, sTabSheet10, sTabSheet1}) {
        sheet->setAutoFillBackground(true);
        sheet->setPalette(palette);
    }
    PageControlMain->addTab(sTabSheet9, QStringLiteral("Zorva Ayarları"));
    PageControlMain->addTab(sTabSheet10, QStringLiteral("Oda Ayarları"));
    PageControlMain->addTab(sTabSheet1, QStringLiteral("Genel Ayarlar"));
    buildLockPage();
    buildRoomPage();
    buildGeneralPage();
    // A style sheet gives each widget it styles the application's font rather than its
    // parent's, and the application's font is the system's (on Windows not Tahoma, under Wine
    // a serif face), so every control that has no font of its own gets the window's here: the
    // page tabs, the buttons, the navigator.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->testAttribute(Qt::WA_SetFont))
            w->setFont(font());
}

void TAnaF::buildLockPage() {
    QWidget* page = sTabSheet9;
    label(page, "sLabel21", QStringLiteral("Kart Çeşidi"), 16, 15, 79, 21);
    ComboBoxEMD_KartTipi = place(new QComboBox(page), "ComboBoxEMD_KartTipi", 100, 15, 88, 21);
    ComboBoxEMD_KartTipi->addItems({QStringLiteral("RF57"), QStringLiteral("MF1"),
                                    QStringLiteral("S70"), QStringLiteral("MF0"),
                                    QStringLiteral("S20"), QStringLiteral("RF80")});
    ComboBoxEMD_KartTipi->setEditable(false);
    ComboBoxEMD_KartTipi->setCurrentIndex(1);
    label(page, "sLabel20", QStringLiteral("Çalışma Sektörü"), 211, 15, 108, 21);
    SpinEdit_EMD_CalismaSektoru = spin(page, "SpinEdit_EMD_CalismaSektoru", 327, 16, 88);
    label(page, "sLabel19", QStringLiteral("Kayıt Kodu"), 16, 47, 79, 21);
    EditZorvakilt_EMD_R1 = edit(page, "EditZorvakilt_EMD_R1", 100, 47);
    EditZorvakilt_EMD_R2 = edit(page, "EditZorvakilt_EMD_R2", 213, 47);
    EditZorvakilt_EMD_R3 = edit(page, "EditZorvakilt_EMD_R3", 327, 47);
    EditZorvakilt_EMD_R4 = edit(page, "EditZorvakilt_EMD_R4", 441, 47);
    label(page, "sLabel22", QStringLiteral("Konuk Kartı Bilgi Sektörü 1"), 14, 85, 152, 21);
    SpinEdit_EMD_KNKSektor1 = spin(page, "SpinEdit_EMD_KNKSektor1", 172, 85, 66);
    label(page, "sLabel23", QStringLiteral("Konuk Kartı Bilgi Sektörü 2"), 14, 120, 152, 21);
    SpinEdit_EMD_KNKSektor2 = spin(page, "SpinEdit_EMD_KNKSektor2", 172, 120, 66);
    label(page, "sLabel24", QStringLiteral("Genel Sektör"), 247, 85, 118, 21);
    SpinEdit_EMD_GenelSektor1 = spin(page, "SpinEdit_EMD_GenelSektor1", 372, 85, 66);
    label(page, "sLabel25", QStringLiteral("Kullanıcı Sektörü 1"), 247, 120, 118, 21);
    SpinEdit_EMD_KulSektor1 = spin(page, "SpinEdit_EMD_KulSektor1", 372, 120, 66);
    label(page, "sLabel26", QStringLiteral("Genel Sektör 2"), 446, 85, 113, 21);
    SpinEdit_EMD_GenelSektor2 = spin(page, "SpinEdit_EMD_GenelSektor2", 565, 85, 66);
    label(page, "sLabel27", QStringLiteral("G.Kullanım K.Sektör"), 446, 120, 113, 21);
    SpinEdit_EMD_GKKSektor = spin(page, "SpinEdit_EMD_GKKSektor", 565, 120, 66);

    sGroupBox1 = place(new QGroupBox(QStringLiteral("Anlık Sistem Logları"), page), "sGroupBox1", 0,
                       168, 701, 234);
    sGroupBox1->setFont(windowFont());
    MemoLog = place(new LogMemo(sGroupBox1), "MemoLog", 5, 18, 691, 211);
    MemoLog->setFont(windowFont(false));

    GridPanel1 = place(new QWidget(page), "GridPanel1", 0, 402, 701, 41);
    // Columns of 50.12654405726096 % and 49.87345594273904 % of 701 pixels: 351 and 350.
    sBitBtn1 =
        place(new QPushButton(QStringLiteral("Uygula"), GridPanel1), "sBitBtn1", 0, 0, 351, 41);
    sBitBtn2 =
        place(new QPushButton(QStringLiteral("Gizle"), GridPanel1), "sBitBtn2", 351, 0, 350, 41);
    sBitBtn1->setIcon(checkMarkImage());
    sBitBtn2->setIcon(downArrowCircleImage());
    for (auto* b : {sBitBtn1, sBitBtn2}) {
        b->setIconSize(QSize(32, 32));
        b->setCursor(Qt::PointingHandCursor);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{
             ComboBoxEMD_KartTipi, SpinEdit_EMD_CalismaSektoru, EditZorvakilt_EMD_R1,
             EditZorvakilt_EMD_R2, EditZorvakilt_EMD_R3, EditZorvakilt_EMD_R4,
             SpinEdit_EMD_KNKSektor1, SpinEdit_EMD_KNKSektor2, SpinEdit_EMD_GenelSektor1,
             SpinEdit_EMD_KulSektor1, SpinEdit_EMD_GenelSektor2, SpinEdit_EMD_GKKSektor})
        w->setFont(windowFont());
    chain({ComboBoxEMD_KartTipi, SpinEdit_EMD_CalismaSektoru, EditZorvakilt_EMD_R1,
           EditZorvakilt_EMD_R2, EditZorvakilt_EMD_R3, EditZorvakilt_EMD_R4,
           SpinEdit_EMD_KNKSektor1, SpinEdit_EMD_KNKSektor2, SpinEdit_EMD_GenelSektor1,
           SpinEdit_EMD_KulSektor1, SpinEdit_EMD_GenelSektor2, SpinEdit_EMD_GKKSektor, MemoLog,
           sBitBtn1, sBitBtn2});
}

void TAnaF::buildRoomPage() {
    QWidget* page = sTabSheet10;
    OdaTanim_S = new DataSetModel(*m_rooms,
                                  {{"ODA_STR", QStringLiteral("Oda Adı")},
                                   {"ODA", QStringLiteral("Oda ID")},
                                   {"KAT", QStringLiteral("Kat ID")},
                                   {"BINA", QStringLiteral("Bina ID")},
                                   {"ALAN", QStringLiteral("Alan ID")}},
                                  this);
    OdaTanim_S->setObjectName(QStringLiteral("OdaTanim_S"));
    MVRXDBGrid1 = place(new TMVRXDBGrid(page), "MVRXDBGrid1", 0, 0, 701, 408);
    MVRXDBGrid1->setDataSource(OdaTanim_S);
    for (QAbstractScrollArea* view : std::initializer_list<QAbstractScrollArea*>{
             MVRXDBGrid1, MVRXDBGrid1->horizontalHeader(), MVRXDBGrid1->verticalHeader()})
        useWindowFont(view);
    sDBNavigator1 = place(new DBNavigator(page), "sDBNavigator1", 0, 408, 701, 35);
    sDBNavigator1->setDataSource(OdaTanim_S);
    chain({MVRXDBGrid1, sDBNavigator1});
}

void TAnaF::buildGeneralPage() {
    QWidget* page = sTabSheet1;
    label(page, "sLabel1", QStringLiteral("Haberleşme Portu"), 16, 23, 113, 21);
    CurrencyEditUDP = place(new NumberEdit(page), "CurrencyEditUDP", 144, 24, 84, 21);
    CurrencyEditUDP->setValue(4040);
    CheckBoxAutoGizle =
        place(new QCheckBox(QStringLiteral("Açılışta Programı otomatik Gizle"), page),
              "CheckBoxAutoGizle", 27, 64, 206, 19);
    CheckBoxWAcilis =
        place(new QCheckBox(QStringLiteral("Windows açılışında otomatik çalıştır"), page),
              "CheckBoxWAcilis", 27, 97, 226, 19);
    CurrencyEditUDP->setFont(windowFont());
    for (auto* box : {CheckBoxAutoGizle, CheckBoxWAcilis}) {
        box->setCursor(Qt::PointingHandCursor);
        // The indicator and its gap take about 22 pixels of the box's width.
        box->setFont(fittingFont(box->text(), box->width() - 24));
    }
    // Beside the port, as wide as three of the lock page's edits with their gaps, so that a
    // few addresses and ranges show whole.
    label(page, "sLabel2", QStringLiteral("İzinli Gönderenler"), 16, 130, 113, 21);
    EditIzinliGonderenler = place(new QLineEdit(page), "EditIzinliGonderenler", 144, 131, 315, 21);
    EditIzinliGonderenler->setFont(windowFont());
    EditIzinliGonderenler->setPlaceholderText(QStringLiteral("boş: her gönderen"));
    EditIzinliGonderenler->setToolTip(
        QStringLiteral("IPv4 adresleri ve aralıkları, virgül ya da boşlukla ayrılmış: "
                       "192.168.1.20, 192.168.1.0/24"));
    // Only what an address list is made of can be typed at all.
    EditIzinliGonderenler->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9./, \t]*")), EditIzinliGonderenler));
    sLabelIzinliGonderenlerHata =
        place(new QLabel(page), "sLabelIzinliGonderenlerHata", 144, 153, 540, 16);
    sLabelIzinliGonderenlerHata->setFont(windowFont(false));
    sLabelIzinliGonderenlerHata->setStyleSheet(QStringLiteral("color: #c0392b;"));
    sBitBtnKartKayitlari = place(new QPushButton(QStringLiteral("Kart Kayıtları"), page),
                                 "sBitBtnKartKayitlari", 144, 176, 120, 25);
    sBitBtnKartKayitlari->setCursor(Qt::PointingHandCursor);
    chain({CurrencyEditUDP, CheckBoxAutoGizle, CheckBoxWAcilis, EditIzinliGonderenler,
           sBitBtnKartKayitlari});
}

} // namespace zorva::ui
