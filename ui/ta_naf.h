#pragma once

// moc cannot parse the standard library's C++20 headers that these bring in.
#ifndef Q_MOC_RUN
#include "app/integration_core.h"
#include "app/log.h"
#include "app/operator_settings.h"
#include "lock/lock_library.h"
#include "platform/format_settings.h"
#include "rooms/memory_data_set.h"
#endif

#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;

namespace zorva::transport {
class MainThreadQueue;
class UdpServer;
} // namespace zorva::transport

namespace zorva::settings {
class ComponentRegistry;
class FormStorage;
} // namespace zorva::settings

namespace zorva::ui {

class DataSetModel;
class DBNavigator;
class LogMemo;
class NumberEdit;
class SpinEdit;
class TMVRXDBGrid;

// The program's one window: lock configuration, rooms and general settings on three pages, and
// the components that live with it (the listener, the room table, the settings store, the tray
// icon). Each named control carries its name as its object name.
class TAnaF : public QWidget, public app::OperatorSettings {
    Q_OBJECT
public:
    static constexpr int WM_DEFERRED_START = 5136;

    TAnaF(lock::LockLibrary& lock, platform::FormatSettings settings,
          platform::Clock clock = platform::localNow, QWidget* parent = nullptr);
    ~TAnaF() override;

    static QString title();

    // The handlers, under the names the window wires them by.
    void FormCreate();
    void FormClose();
    void MvBitBtn1Click();
    void sBitBtn2Click();
    void CheckBoxWAcilisClick();
    void JvTrayIcon1DblClick();
    // Opens the folder of the card record in the desktop's file manager.
    void sBitBtnKartKayitlariClick();

    // app::OperatorSettings: the controls' values at this moment.
    int cardTypeIndex() const override;
    std::array<std::string, 4> authCodeParts() const override;
    std::array<std::int32_t, 7> sectors() const override;
    double port() const override;
    bool hideAtStartup() const override;
    std::string allowedSenders() const override;

    app::IntegrationCore& core() { return *m_core; }
    app::Log& log() { return m_log; }
    rooms::MemoryDataSet& rooms() { return *m_rooms; }
    transport::UdpServer& listener() { return *m_listener; }
    settings::FormStorage& formStorage() { return *m_formStorage; }
    settings::ComponentRegistry& components() { return *m_registry; }
    // Asks the window to close as its close box does, also while it is hidden.
    void requestClose();

signals:
    // The window has closed; the program ends.
    void closed();

public:
    // Lets pending events and queued datagrams through, as the start sequence does.
    void pump();

    // Controls, by their names on the form.
    QTabWidget* PageControlMain = nullptr;
    QWidget* sTabSheet9 = nullptr;
    QWidget* sTabSheet10 = nullptr;
    QWidget* sTabSheet1 = nullptr;
    QComboBox* ComboBoxEMD_KartTipi = nullptr;
    SpinEdit* SpinEdit_EMD_CalismaSektoru = nullptr;
    QLineEdit* EditZorvakilt_EMD_R1 = nullptr;
    QLineEdit* EditZorvakilt_EMD_R2 = nullptr;
    QLineEdit* EditZorvakilt_EMD_R3 = nullptr;
    QLineEdit* EditZorvakilt_EMD_R4 = nullptr;
    SpinEdit* SpinEdit_EMD_KNKSektor1 = nullptr;
    SpinEdit* SpinEdit_EMD_KNKSektor2 = nullptr;
    SpinEdit* SpinEdit_EMD_GenelSektor1 = nullptr;
    SpinEdit* SpinEdit_EMD_KulSektor1 = nullptr;
    SpinEdit* SpinEdit_EMD_GenelSektor2 = nullptr;
    SpinEdit* SpinEdit_EMD_GKKSektor = nullptr;
    QGroupBox* sGroupBox1 = nullptr;
    LogMemo* MemoLog = nullptr;
    QWidget* GridPanel1 = nullptr;
    QPushButton* sBitBtn1 = nullptr;
    QPushButton* sBitBtn2 = nullptr;
    TMVRXDBGrid* MVRXDBGrid1 = nullptr;
    DBNavigator* sDBNavigator1 = nullptr;
    NumberEdit* CurrencyEditUDP = nullptr;
    QCheckBox* CheckBoxAutoGizle = nullptr;
    QCheckBox* CheckBoxWAcilis = nullptr;
    QLineEdit* EditIzinliGonderenler = nullptr;
    QLabel* sLabelIzinliGonderenlerHata = nullptr;
    QPushButton* sBitBtnKartKayitlari = nullptr;
    QSystemTrayIcon* JvTrayIcon1 = nullptr;
    DataSetModel* OdaTanim_S = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildLockPage();
    void buildRoomPage();
    void buildGeneralPage();
    void registerStoredControls();
    void wireHandlers();
    void hideWindow();
    void loadRooms();
    void roomFileUnreadable(const std::string& reason);
    void saveRooms();

    platform::Clock m_clock;
    app::Log m_log;
    app::CardRecord m_cardRecord;
    std::unique_ptr<rooms::MemoryDataSet> m_rooms;
    std::unique_ptr<transport::MainThreadQueue> m_queue;
    std::unique_ptr<transport::UdpServer> m_listener;
    std::unique_ptr<app::Listener> m_listenerAdapter;
    std::unique_ptr<app::IntegrationCore> m_core;
    std::unique_ptr<settings::ComponentRegistry> m_registry;
    settings::FormStorage* m_formStorage = nullptr;
    // What went wrong while the window was made, for the box after the deferred start.
    std::optional<QString> m_startError;
};

} // namespace zorva::ui
