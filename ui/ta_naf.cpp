#include "ui/ta_naf.h"

#include "app/sender_filter.h"
#include "app/udp_listener.h"
#include "platform/ansi_text.h"
#include "platform/error.h"
#include "platform/executable_path.h"
#include "platform/file_system.h"
#include "rooms/data_set_ini.h"
#include "rooms/room_table.h"
#include "settings/autorun.h"
#include "settings/component_registry.h"
#include "settings/form_storage.h"
#include "settings/genel.h"
#include "settings/main_window_settings.h"
#include "transport/main_thread_queue.h"
#include "transport/udp_server.h"
#include "ui/data_set_model.h"
#include "ui/db_navigator.h"
#include "ui/error_box.h"
#include "ui/memo_log.h"
#include "ui/mvrx_db_grid.h"
#include "ui/number_edit.h"
#include "ui/spin_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <string_view>
#include <utility>

namespace zorva::ui {

namespace {

// Wakes the window to run what the receive thread queued.
constexpr QEvent::Type drainQueueEvent = static_cast<QEvent::Type>(QEvent::User + 7);

constexpr std::string_view roomFileUnreadableLine = "Oda Dosyası Okunamadı - ";
constexpr std::string_view roomEditRefused =
    "Oda Dosyası Okunamadığı İçin Oda Değişikliği Kaydedilemez - ";

std::string ansiText(const QLineEdit* edit) {
    return platform::utf8ToAnsi(edit->text().toStdString());
}

} // namespace

QString TAnaF::title() {
    return QStringLiteral("MERVANTO") + QChar(u' ') +
           QStringLiteral("Zorva Kilit Entegrasyon Sistemi") + QChar(u' ') +
           QStringLiteral("s1.02.05") + QStringLiteral("f");
}

TAnaF::TAnaF(lock::LockLibrary& lock, platform::FormatSettings settings, platform::Clock clock,
             QWidget* parent)
    : QWidget(parent), m_clock(std::move(clock)), m_cardRecord(settings::LogDirPath()),
      m_rooms(rooms::makeRoomTable()),
      m_registry(std::make_unique<settings::ComponentRegistry>("AnaF", "TAnaF")) {
    m_rooms->setFormatSettings(settings);
    m_rooms->setClock(m_clock);
    m_queue = std::make_unique<transport::MainThreadQueue>(
        [this] { QCoreApplication::postEvent(this, new QEvent(drainQueueEvent)); });
    m_listener = std::make_unique<transport::UdpServer>(*m_queue);
    m_listenerAdapter = std::make_unique<app::UdpListener>(*m_listener);
    m_core =
        std::make_unique<app::IntegrationCore>(lock, *m_rooms, m_log, std::move(settings), m_clock);
    m_core->attach(*this, *m_listenerAdapter);
    m_core->recordCardsIn(m_cardRecord);

    buildLayout();

    JvTrayIcon1 = new QSystemTrayIcon(windowIcon(), this);
    JvTrayIcon1->setObjectName(QStringLiteral("JvTrayIcon1"));
    JvTrayIcon1->show();

    wireHandlers();
    registerStoredControls();
    guarded(this, [this] { FormCreate(); });
}

TAnaF::~TAnaF() {
    m_registry->notifyDestroy();
    // The listener's thread must end before the queue and the core it reaches go.
    try {
        m_listener->setActive(false);
    } catch (...) {
    }
    m_rooms->afterPost = nullptr;
    m_rooms->afterDelete = nullptr;
}

void TAnaF::wireHandlers() {
    connect(sBitBtn1, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { MvBitBtn1Click(); }); });
    connect(sBitBtn2, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sBitBtn2Click(); }); });
    // Only the operator's clicks come this way; a restore runs the handler itself.
    connect(CheckBoxWAcilis, &QCheckBox::clicked, this,
            [this] { guarded(this, [this] { CheckBoxWAcilisClick(); }); });
    connect(sBitBtnKartKayitlari, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { sBitBtnKartKayitlariClick(); }); });
    // Told where it is typed, before anything is applied.
    connect(EditIzinliGonderenler, &QLineEdit::textChanged, this, [this] {
        std::string error;
        app::SenderFilter::parse(allowedSenders(), error);
        sLabelIzinliGonderenlerHata->setText(QString::fromStdString(error));
    });
    connect(JvTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    guarded(this, [this] { JvTrayIcon1DblClick(); });
            });
    qApp->installEventFilter(this);

    m_listener->OnUDPRead = [this](transport::UdpServer&, const std::string& data,
                                   const transport::SocketBinding& binding) {
        m_core->IdUDPServer1UDPRead(data, binding.PeerIP(), binding.PeerPort());
    };
    m_listener->OnDatagramsLost = [this](transport::UdpServer&, std::uint64_t lost) {
        m_core->datagramsLost(lost);
    };
    m_log.onLineAdded = [this](const std::string& line, std::size_t droppedOldest) {
        MemoLog->insertTopLine(QString::fromStdString(line), droppedOldest);
    };
    m_rooms->afterPost = [this](rooms::MemoryDataSet&) { m_core->OdaTanim_RxAfterPost(); };
    m_rooms->afterDelete = [this](rooms::MemoryDataSet&) { m_core->OdaTanim_RxAfterDelete(); };
    m_core->pump = [this] { pump(); };
    m_core->hideWindow = [this] { hideWindow(); };
    m_core->saveRooms = [this] { saveRooms(); };
    m_core->schedule = [this](std::chrono::milliseconds delay, std::function<void()> fn) {
        QTimer::singleShot(delay, this, [this, fn = std::move(fn)] { guarded(this, fn); });
    };
    OdaTanim_S->onError = [this](const QString& message) { showErrorBox(this, message); };
}

bool TAnaF::eventFilter(QObject* watched, QEvent* e) {
    // Qt reports only the left button's double-click on the tray icon; the others reach the
    // icon's own window, which Qt makes anew whenever the tray host restarts.
    if (e->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton && watched->isWidgetType() &&
        qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0) {
        guarded(this, [this] { JvTrayIcon1DblClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TAnaF::pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_queue->drain();
}

bool TAnaF::event(QEvent* e) {
    if (e->type() == drainQueueEvent) {
        m_queue->drain();
        return true;
    }
    if (e->type() == static_cast<QEvent::Type>(WM_DEFERRED_START)) {
        guarded(this, [this] { m_core->WMDeferredStart(); });
        if (const auto message = std::exchange(m_startError, std::nullopt))
            showErrorBox(this, *message);
        return true;
    }
    return QWidget::event(e);
}

void TAnaF::FormCreate() {
    PageControlMain->setCurrentIndex(0);
    m_core->FSystemStarted = false;
    m_core->FRoomsLoaded = false;
    setWindowTitle(title());
    JvTrayIcon1->setToolTip(windowTitle());
    settings::SetupFormStorage(*m_formStorage);
    QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(WM_DEFERRED_START)));
    // What a save cut short by a kill or a power loss left beside the two files.
    for (const char* file : {"Odalar.ini", "AnaF_JvFormStorage1.ini"})
        platform::removeStaleTemporaries(settings::GetIniDir() + file);
    m_rooms->open();
    try {
        loadRooms();
    } catch (const std::exception& e) {
        roomFileUnreadable(e.what());
        return;
    }
    m_core->FRoomsLoaded = true;
}

void TAnaF::roomFileUnreadable(const std::string& reason) {
    m_core->WriteLog(std::string(roomFileUnreadableLine) + reason);
    // Saving the table now would replace a file we could not see; an edit that cannot be saved
    // must not look as if it were.
    m_rooms->beforeChange = [refusal = std::string(roomEditRefused) + reason](
                                rooms::MemoryDataSet&) { throw platform::Error(refusal); };
    // Shown once the deferred start is over: a box nobody answers must not keep the lock
    // system from starting.
    m_startError = QString::fromStdString(reason);
}

void TAnaF::loadRooms() {
    const std::string path = settings::GetIniDir() + "Odalar.ini";
    if (std::filesystem::exists(path))
        rooms::LoadDataSetFromIni(*m_rooms, path);
}

void TAnaF::saveRooms() {
    rooms::SaveDataSetToIni(*m_rooms, settings::GetIniDir() + "Odalar.ini");
}

void TAnaF::FormClose() {
    m_core->FormClose();
}

void TAnaF::CheckBoxWAcilisClick() {
    settings::SetAutoRun(platform::executablePath(), title().toStdString(),
                         CheckBoxWAcilis->isChecked());
}

void TAnaF::requestClose() {
    close();
}

void TAnaF::MvBitBtn1Click() {
    // A list that does not read is never half applied: nothing is started again with it.
    std::string error;
    if (!app::SenderFilter::parse(allowedSenders(), error)) {
        PageControlMain->setCurrentWidget(sTabSheet1);
        EditIzinliGonderenler->setFocus();
        throw platform::Error(error);
    }
    m_core->MvBitBtn1Click();
}

void TAnaF::sBitBtnKartKayitlariClick() {
    const std::string folder = settings::GetLogDir();
    // Without a file manager the operator still learns where the files are.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder))))
        throw platform::Error("Kart Kayıtları Klasörü Açılamadı (" + folder + ")");
}

void TAnaF::sBitBtn2Click() {
    hideWindow();
}

void TAnaF::hideWindow() {
    // Without a notification area nothing could bring a hidden window back, so it only goes
    // to the taskbar.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void TAnaF::JvTrayIcon1DblClick() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TAnaF::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) {
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        m_registry->notifyShow();
    }
    QWidget::showEvent(e);
}

void TAnaF::closeEvent(QCloseEvent* e) {
    // A room typed but not yet posted would be lost with the window; post it as leaving the
    // row would. A row that does not convert shows its error and the close goes on.
    guarded(this, [this] { m_rooms->finishPending(); });
    bool canClose = true;
    guarded(this, [&] { canClose = m_registry->queryClose(); });
    if (!canClose) {
        e->ignore();
        return;
    }
    guarded(this, [this] { FormClose(); });
    e->accept();
    emit closed();
}

void TAnaF::registerStoredControls() {
    using settings::Component;
    using settings::Property;
    auto& r = *m_registry;
    r.handleException = [this](const std::exception& e) {
        showErrorBox(this, QString::fromUtf8(e.what()));
    };
    r.add(ComboBoxEMD_KartTipi->objectName().toStdString())
        .addProperty(Property::integer(
            "ItemIndex", [this] { return ComboBoxEMD_KartTipi->currentIndex(); },
            [this](std::int32_t index) {
                // An index outside the list leaves no card type selected.
                ComboBoxEMD_KartTipi->setCurrentIndex(
                    index >= 0 && index < ComboBoxEMD_KartTipi->count() ? index : -1);
            }));
    for (QLineEdit* edit :
         {EditZorvakilt_EMD_R1, EditZorvakilt_EMD_R2, EditZorvakilt_EMD_R3, EditZorvakilt_EMD_R4})
        r.add(edit->objectName().toStdString())
            .addProperty(Property::text(
                "Text", [edit] { return ansiText(edit); },
                [edit](const std::string& text) {
                    edit->setText(QString::fromStdString(platform::ansiToUtf8(text)));
                }));
    for (SpinEdit* spin :
         {SpinEdit_EMD_CalismaSektoru, SpinEdit_EMD_KNKSektor1, SpinEdit_EMD_KNKSektor2,
          SpinEdit_EMD_GenelSektor1, SpinEdit_EMD_KulSektor1, SpinEdit_EMD_GenelSektor2,
          SpinEdit_EMD_GKKSektor})
        r.add(spin->objectName().toStdString())
            .addProperty(Property::integer(
                "Value", [spin] { return spin->currentValue(); },
                [spin](std::int32_t value) { spin->setCurrentValue(value); }));
    r.add(CheckBoxWAcilis->objectName().toStdString())
        .addProperty(Property::flag(
            "Checked", [this] { return CheckBoxWAcilis->isChecked(); },
            [this](bool checked) { CheckBoxWAcilis->setChecked(checked); },
            [this] { CheckBoxWAcilisClick(); }));
    // A stored port that is no number leaves the edit's default: 0 would let the system pick
    // a port that no front office sends to.
    r.add(CurrencyEditUDP->objectName().toStdString())
        .addProperty(Property::integer(
            "Value", [this] { return app::portFromValue(port()); },
            [this](std::int32_t value) { CurrencyEditUDP->setValue(value); },
            settings::IfNotInteger::keepValue));
    r.add(CheckBoxAutoGizle->objectName().toStdString())
        .addProperty(Property::flag(
            "Checked", [this] { return CheckBoxAutoGizle->isChecked(); },
            [this](bool checked) { CheckBoxAutoGizle->setChecked(checked); }));
    r.add(EditIzinliGonderenler->objectName().toStdString())
        .addProperty(Property::text(
            "Text", [this] { return ansiText(EditIzinliGonderenler); },
            [this](const std::string& text) {
                EditIzinliGonderenler->setText(QString::fromStdString(platform::ansiToUtf8(text)));
            }));

    m_formStorage = &r.add<settings::FormStorage>("JvFormStorage1");
    m_formStorage->setStoredProps(settings::mainWindowStoredProps());
    m_formStorage->loaded();
}

int TAnaF::cardTypeIndex() const {
    return ComboBoxEMD_KartTipi->currentIndex();
}

std::array<std::string, 4> TAnaF::authCodeParts() const {
    return {ansiText(EditZorvakilt_EMD_R1), ansiText(EditZorvakilt_EMD_R2),
            ansiText(EditZorvakilt_EMD_R3), ansiText(EditZorvakilt_EMD_R4)};
}

std::array<std::int32_t, 7> TAnaF::sectors() const {
    return {SpinEdit_EMD_CalismaSektoru->currentValue(), SpinEdit_EMD_KNKSektor1->currentValue(),
            SpinEdit_EMD_KNKSektor2->currentValue(),     SpinEdit_EMD_GenelSektor1->currentValue(),
            SpinEdit_EMD_GKKSektor->currentValue(),      SpinEdit_EMD_KulSektor1->currentValue(),
            SpinEdit_EMD_GenelSektor2->currentValue()};
}

double TAnaF::port() const {
    // What the operator has typed counts, even before the edit is left. It is read by the
    // edit's own locale, as the edit reads it: there "4.040" may be 4040 with a thousands
    // separator, and the port listened on and stored must be the one the operator sees.
    bool ok = false;
    const double typed = CurrencyEditUDP->locale().toDouble(CurrencyEditUDP->cleanText(), &ok);
    return ok ? typed : CurrencyEditUDP->value();
}

bool TAnaF::hideAtStartup() const {
    return CheckBoxAutoGizle->isChecked();
}

std::string TAnaF::allowedSenders() const {
    return ansiText(EditIzinliGonderenler);
}

} // namespace zorva::ui
