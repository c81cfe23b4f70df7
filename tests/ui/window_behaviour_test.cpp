#include "platform/autostart.h"
#include "platform/error.h"
#include "transport/udp_server.h"
#include "ui/memo_log.h"
#include "ui/number_edit.h"
#include "ui/spin_edit.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QUrl>

#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string crlf(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

// A port that nothing listens on at this moment.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

std::string settingsWith(const std::string& port, const char* hide = "False",
                         const char* autorun = "False") {
    return "[TAnaF]\r\nFormVersion=0\r\nComboBoxEMD_KartTipi_ItemIndex=2\r\n"
           "EditZorvakilt_EMD_R1_Text=ABCD\r\nEditZorvakilt_EMD_R2_Text=EFGH\r\n"
           "EditZorvakilt_EMD_R3_Text=IJKL\r\nEditZorvakilt_EMD_R4_Text=MNOP\r\n"
           "SpinEdit_EMD_CalismaSektoru_Value=1\r\nSpinEdit_EMD_GenelSektor1_Value=4\r\n"
           "SpinEdit_EMD_GenelSektor2_Value=7\r\nSpinEdit_EMD_GKKSektor_Value=5\r\n"
           "SpinEdit_EMD_KNKSektor1_Value=2\r\nSpinEdit_EMD_KNKSektor2_Value=3\r\n"
           "SpinEdit_EMD_KulSektor1_Value=6\r\nCheckBoxWAcilis_Checked=" +
           std::string(autorun) + "\r\nCurrencyEditUDP_Value=" + port +
           "\r\nCheckBoxAutoGizle_Checked=" + hide + "\r\n";
}

// The user's regional settings as the window's controls see them, for the time of a test.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;
    ~DefaultLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

} // namespace

TEST_F(WindowTest, APortTypedWithAThousandsSeparatorIsThePortListenedOnAndStored) {
    for (const QLocale& locale :
         {QLocale(QLocale::Turkish, QLocale::Turkey), QLocale(QLocale::German, QLocale::Germany)}) {
        SCOPED_TRACE(locale.name().toStdString());
        const DefaultLocale regional(locale);
        start();
        auto* edit = window->CurrencyEditUDP;
        const int port = freePort();
        edit->selectAll();
        QTest::keyClicks(edit, locale.toString(port));
        ASSERT_TRUE(edit->text().contains(QChar(u'.'))) << edit->text().toStdString();
        QTest::mouseClick(find<QPushButton>("sBitBtn1"), Qt::LeftButton);
        ASSERT_TRUE(window->listener().Active()) << logMessages().join(u'|').toStdString();
        EXPECT_EQ(window->listener().Bindings().at(0).Port(), port);

        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("4.040"));
        EXPECT_EQ(window->port(), 4040);
        window->close();
        EXPECT_NE(readFile("AnaF_JvFormStorage1.ini").find("\r\nCurrencyEditUDP_Value=4040\r\n"),
                  std::string::npos);
        window.reset();
        std::filesystem::remove(dataDir + "AnaF_JvFormStorage1.ini");
    }
}

TEST_F(WindowTest, AStoredPortThatIsNoNumberLeavesTheDefault) {
    writeFile("AnaF_JvFormStorage1.ini", "[TAnaF]\r\nCurrencyEditUDP_Value=4442abc\r\n");
    start();
    EXPECT_EQ(window->CurrencyEditUDP->text(), QStringLiteral("4040"));
    EXPECT_EQ(window->port(), 4040);
    window->close();
    EXPECT_NE(readFile("AnaF_JvFormStorage1.ini").find("\r\nCurrencyEditUDP_Value=4040\r\n"),
              std::string::npos);
}

TEST_F(WindowTest, FirstRunStartsNothingAndClosingWritesTheSettingsFile) {
    start();
    EXPECT_TRUE(lock.calls.empty());
    EXPECT_TRUE(window->log().lines().empty());
    EXPECT_FALSE(window->listener().Active());
    window->close();
    EXPECT_EQ(readFile("AnaF_JvFormStorage1.ini"),
              crlf({"[TAnaF]", "FormVersion=0", "ComboBoxEMD_KartTipi_ItemIndex=1",
                    "EditZorvakilt_EMD_R1_Text=", "EditZorvakilt_EMD_R2_Text=",
                    "EditZorvakilt_EMD_R3_Text=", "EditZorvakilt_EMD_R4_Text=",
                    "SpinEdit_EMD_CalismaSektoru_Value=0", "SpinEdit_EMD_GenelSektor1_Value=0",
                    "SpinEdit_EMD_GenelSektor2_Value=0", "SpinEdit_EMD_GKKSektor_Value=0",
                    "SpinEdit_EMD_KNKSektor1_Value=0", "SpinEdit_EMD_KNKSektor2_Value=0",
                    "SpinEdit_EMD_KulSektor1_Value=0", "CheckBoxWAcilis_Checked=False",
                    "CurrencyEditUDP_Value=4040", "CheckBoxAutoGizle_Checked=False",
                    "EditIzinliGonderenler_Text="}));
    EXPECT_TRUE(lock.calls.empty()) << "closing makes no library call";
}

TEST_F(WindowTest, StoredSettingsAreInPlaceBeforeTheDeferredStart) {
    const int port = freePort();
    writeFile("AnaF_JvFormStorage1.ini", settingsWith(std::to_string(port)));
    start();
    EXPECT_EQ(lock.calls,
              (std::vector<std::string>{"FreeSystem", "InitializeSystem 6",
                                        "SetAuthCode ABCDEFGHIJKLMNOP 1 2 3 4 5 6 7 0 0 0 0 0 0 0",
                                        "BeepOk"}));
    EXPECT_EQ(logMessages(), QStringList{QStringLiteral("Sistem Başlatıldı.")});
    EXPECT_TRUE(window->listener().Active());
    EXPECT_EQ(window->listener().Bindings().at(0).Port(), port);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, NotShownAtStartNothingIsRestoredAndNothingStarts) {
    writeFile("AnaF_JvFormStorage1.ini", settingsWith(std::to_string(freePort())));
    start(false);
    EXPECT_TRUE(lock.calls.empty());
    EXPECT_TRUE(find<QLineEdit>("EditZorvakilt_EMD_R1")->text().isEmpty());
}

TEST_F(WindowTest, ApplyStartsWithWhatIsTypedNow) {
    start();
    auto* r1 = find<QLineEdit>("EditZorvakilt_EMD_R1");
    QTest::keyClicks(r1, QStringLiteral("ABCDEFGH"));
    QTest::keyClicks(find<QLineEdit>("EditZorvakilt_EMD_R3"), QStringLiteral("IJKLMNOP"));
    window->CurrencyEditUDP->setValue(0);
    QTest::mouseClick(find<QPushButton>("sBitBtn1"), Qt::LeftButton);
    EXPECT_EQ(lock.calls.back(), "BeepOk");
    EXPECT_TRUE(window->listener().Active()) << "port 0 lets the system choose";
    EXPECT_EQ(window->MemoLog->lines().size(), 1);
    EXPECT_TRUE(window->MemoLog->lines().front().endsWith(QStringLiteral(": Sistem Başlatıldı.")));

    r1->setText(QStringLiteral("ABC"));
    QTest::mouseClick(find<QPushButton>("sBitBtn1"), Qt::LeftButton);
    EXPECT_EQ(logMessages().back(), QStringLiteral("Hatalı Kayıt Kodu"));
    EXPECT_TRUE(window->MemoLog->lines().front().endsWith(QStringLiteral("Hatalı Kayıt Kodu")))
        << "newest line on top";
}

TEST_F(WindowTest, GizleAndHideAtStartLeaveTheWindowReachable) {
    writeFile("AnaF_JvFormStorage1.ini", settingsWith("0", "True"));
    start();
    // Offscreen there is no notification area, so the window goes to the taskbar instead.
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(window->isVisible(), !tray);
    EXPECT_EQ(window->isMinimized(), !tray);
    window->JvTrayIcon1DblClick();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    QTest::mouseClick(find<QPushButton>("sBitBtn2"), Qt::LeftButton);
    EXPECT_EQ(window->isMinimized() || !window->isVisible(), true);
}

TEST_F(WindowTest, CodePartsAreStoredTrimmedAndQuoted) {
    start();
    find<QLineEdit>("EditZorvakilt_EMD_R1")->setText(QStringLiteral("  AB CD  "));
    find<QLineEdit>("EditZorvakilt_EMD_R2")->setText(QStringLiteral("'EF'"));
    find<QLineEdit>("EditZorvakilt_EMD_R3")->setText(QStringLiteral("\"IJ\""));
    find<QLineEdit>("EditZorvakilt_EMD_R4")->setText(QStringLiteral("Şİ"));
    window->SpinEdit_EMD_KNKSektor1->setText(QStringLiteral("abc"));
    window->close();
    const std::string file = readFile("AnaF_JvFormStorage1.ini");
    EXPECT_NE(file.find("EditZorvakilt_EMD_R1_Text=AB CD\r\n"), std::string::npos);
    EXPECT_NE(file.find("EditZorvakilt_EMD_R2_Text=\"'EF'\"\r\n"), std::string::npos);
    EXPECT_NE(file.find("EditZorvakilt_EMD_R3_Text=\"\"IJ\"\"\r\n"), std::string::npos);
    EXPECT_NE(file.find("EditZorvakilt_EMD_R4_Text=\xDE\xDD\r\n"), std::string::npos)
        << "ANSI bytes in the file";
    EXPECT_NE(file.find("SpinEdit_EMD_KNKSektor1_Value=0\r\n"), std::string::npos);

    window.reset();
    start();
    EXPECT_EQ(find<QLineEdit>("EditZorvakilt_EMD_R1")->text(), QStringLiteral("AB CD"));
    EXPECT_EQ(find<QLineEdit>("EditZorvakilt_EMD_R2")->text(), QStringLiteral("'EF'"));
    EXPECT_EQ(find<QLineEdit>("EditZorvakilt_EMD_R3")->text(), QStringLiteral("\"IJ\""));
    EXPECT_EQ(find<QLineEdit>("EditZorvakilt_EMD_R4")->text(), QStringLiteral("Şİ"));
}

TEST_F(WindowTest, ShowingAgainRestoresTheStoredValues) {
    writeFile("AnaF_JvFormStorage1.ini", settingsWith("0"));
    start();
    auto* r1 = find<QLineEdit>("EditZorvakilt_EMD_R1");
    r1->setText(QStringLiteral("typed"));
    window->hide();
    window->JvTrayIcon1DblClick();
    EXPECT_EQ(r1->text(), QStringLiteral("ABCD"));
}

TEST_F(WindowTest, BadStoredValues) {
    std::string file = settingsWith(std::to_string(freePort()));
    file.replace(file.find("ItemIndex=2"), 11, "ItemIndex=9");
    file.replace(file.find("CalismaSektoru_Value=1"), 22, "CalismaSektoru_Value=1x");
    file.replace(file.find("KNKSektor1_Value=2"), 18, "KNKSektor1_Value=$10");
    writeFile("AnaF_JvFormStorage1.ini", file);
    start();
    EXPECT_EQ(window->cardTypeIndex(), -1);
    EXPECT_EQ(window->sectors()[0], 0);
    EXPECT_EQ(window->sectors()[1], 16);
    ASSERT_GE(lock.calls.size(), 2u);
    EXPECT_EQ(lock.calls[1], "InitializeSystem 3");
}

TEST_F(WindowTest, AutorunFollowsTheBoxAndARestoreRewritesIt) {
    const std::string entry =
        zorva::platform::autostartEntryPath("MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f");
    writeFile("AnaF_JvFormStorage1.ini", settingsWith("0", "False", "TRUE"));
    start();
    ASSERT_TRUE(std::filesystem::exists(entry)) << entry;
    std::ifstream in(entry);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_NE(content.str().find("Name=MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f\n"),
              std::string::npos);
    EXPECT_NE(content.str().find("Exec=\"" + zorva::platform::executablePath() + "\"\n"),
              std::string::npos);

    QTest::mouseClick(window->CheckBoxWAcilis, Qt::LeftButton);
    EXPECT_FALSE(window->CheckBoxWAcilis->isChecked());
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(errorBoxes.isEmpty());
}

TEST_F(WindowTest, AutorunWriteFailureShowsTheBoxOnlyForAClick) {
    // The autostart directory is a file, so no entry can be written there.
    std::filesystem::create_directories(base + "config");
    std::ofstream(base + "config/autostart") << "not a directory";
    writeFile("AnaF_JvFormStorage1.ini", settingsWith("0", "False", "True"));
    start();
    EXPECT_TRUE(window->CheckBoxWAcilis->isChecked());
    EXPECT_TRUE(errorBoxes.isEmpty()) << "a restore ignores the failure";
    QTest::mouseClick(window->CheckBoxWAcilis, Qt::LeftButton);
    QTest::mouseClick(window->CheckBoxWAcilis, Qt::LeftButton);
    EXPECT_EQ(errorBoxes, QStringList{QStringLiteral(
                              "Failed to set data for 'MERVANTO Zorva Kilit Entegrasyon Sistemi "
                              "s1.02.05f'")});
}

TEST_F(WindowTest, SettingsThatCannotBeWrittenShowTheErrorTwice) {
    start();
    // A directory where the file should be: no write can replace it.
    std::filesystem::create_directories(dataDir + "AnaF_JvFormStorage1.ini");
    window->close();
    window.reset();
    const QString expected = QStringLiteral("Unable to write to ") +
                             QString::fromStdString(dataDir + "AnaF_JvFormStorage1.ini") +
                             QStringLiteral(".");
    EXPECT_EQ(errorBoxes, (QStringList{expected, expected}));
}

TEST_F(WindowTest, RoomsLoadAtStartAndEveryPostRewritesTheFile) {
    const std::string rooms =
        crlf({"[RecNo1]", "ALAN=1", "BINA=1", "KAT=2", "ODA=12", "ODA_STR=201"});
    writeFile("Odalar.ini", rooms);
    start();
    EXPECT_EQ(window->rooms().recordCount(), 1);
    EXPECT_EQ(readFile("Odalar.ini"), rooms) << "loading never rewrites the file";
    auto& table = window->rooms();
    table.append();
    table.field("ODA_STR").setAsString("202");
    table.post();
    EXPECT_EQ(readFile("Odalar.ini"),
              rooms + crlf({"[RecNo2]", "ALAN=", "BINA=", "KAT=", "ODA=", "ODA_STR=202"}));
}

TEST_F(WindowTest, ARoomFileThatCannotBeReadHoldsUpNoStartAndEveryEditIsRefused) {
    std::filesystem::create_directories(dataDir + "Odalar.ini");
    writeFile("AnaF_JvFormStorage1.ini", settingsWith(std::to_string(freePort())));
    std::size_t callsAtTheBox = 0;
    zorva::ui::setErrorBoxHook([&](const QString& text) {
        errorBoxes << text;
        callsAtTheBox = lock.calls.size();
    });
    start();
    const QString reason = QStringLiteral("Cannot open file \"") + QString::fromStdString(dataDir) +
                           QStringLiteral("Odalar.ini\". Is a directory");
    ASSERT_EQ(errorBoxes, QStringList{reason + QStringLiteral(".")});
    EXPECT_EQ(callsAtTheBox, 4u) << "the box comes after the lock system has started";
    EXPECT_TRUE(window->core().FSystemStarted);
    EXPECT_EQ(logMessages(), (QStringList{QStringLiteral("Oda Dosyası Okunamadı - ") + reason,
                                          QStringLiteral("Sistem Başlatıldı.")}));
    EXPECT_FALSE(window->core().FRoomsLoaded);

    // Nothing the operator does to the table can look saved when it cannot be.
    auto& table = window->rooms();
    const std::string refusal =
        "Oda Dosyası Okunamadığı İçin Oda Değişikliği Kaydedilemez - " + reason.toStdString();
    for (const auto& change : std::initializer_list<std::function<void()>>{
             [&] { table.append(); }, [&] { table.insert(); }, [&] { table.edit(); }}) {
        try {
            change();
            ADD_FAILURE() << "a change began";
        } catch (const zorva::platform::Error& e) {
            EXPECT_EQ(e.what(), refusal);
        }
        EXPECT_EQ(table.state(), zorva::rooms::DataSetState::Browse);
    }
    EXPECT_EQ(table.recordCount(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dataDir + "Odalar.ini"));
}

TEST_F(WindowTest, ARoomTypedButNotPostedIsSavedAtClose) {
    start();
    auto& table = window->rooms();
    table.append();
    table.field("ODA_STR").setAsString("301");
    table.field("ODA").setAsInteger(31);
    window->close();
    EXPECT_EQ(readFile("Odalar.ini"),
              crlf({"[RecNo1]", "ALAN=", "BINA=", "KAT=", "ODA=31", "ODA_STR=301"}));
    EXPECT_TRUE(errorBoxes.isEmpty());
}

TEST_F(WindowTest, AllowedSendersAreRefusedWhereTypedNeverHalfAppliedAndKept) {
    writeFile("AnaF_JvFormStorage1.ini", settingsWith(std::to_string(freePort())));
    start();
    auto* edit = find<QLineEdit>("EditIzinliGonderenler");
    auto* told = find<QLabel>("sLabelIzinliGonderenlerHata");
    ASSERT_TRUE(edit && told);
    EXPECT_EQ(edit->geometry(), QRect(144, 131, 315, 21));
    EXPECT_EQ(find<QLabel>("sLabel2")->text(), QStringLiteral("İzinli Gönderenler"));

    // Only what an address list is made of can be typed.
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("10.0.0.1, otel"));
    EXPECT_EQ(edit->text(), QStringLiteral("10.0.0.1, "));
    QTest::keyClicks(edit, QStringLiteral("192.168.1.300"));
    EXPECT_EQ(told->text(), QStringLiteral("'192.168.1.300' is not an IPv4 address or range"));

    lock.calls.clear();
    window->sBitBtn1->click();
    EXPECT_EQ(errorBoxes,
              QStringList{QStringLiteral("'192.168.1.300' is not an IPv4 address or range.")});
    EXPECT_TRUE(lock.calls.empty()) << "nothing was started again";
    EXPECT_EQ(window->PageControlMain->currentWidget(), window->sTabSheet1);

    edit->setText(QStringLiteral("10.0.0.1 192.168.1.0/24"));
    EXPECT_TRUE(told->text().isEmpty());
    window->sBitBtn1->click();
    EXPECT_FALSE(lock.calls.empty());
    window->close();
    EXPECT_NE(readFile("AnaF_JvFormStorage1.ini")
                  .find("\r\nEditIzinliGonderenler_Text=10.0.0.1 192.168.1.0/24\r\n"),
              std::string::npos);
    start();
    EXPECT_EQ(find<QLineEdit>("EditIzinliGonderenler")->text(),
              QStringLiteral("10.0.0.1 192.168.1.0/24"));
}

// Stands in for the desktop's file manager.
class FolderOpener : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

TEST_F(WindowTest, TheCardRecordButtonOpensItsFolder) {
    start();
    FolderOpener opener;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
    find<QPushButton>("sBitBtnKartKayitlari")->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened.front().toLocalFile().toStdString(), base + "Log/");
    EXPECT_TRUE(std::filesystem::is_directory(base + "Log"));
    EXPECT_TRUE(errorBoxes.isEmpty());

    // The offscreen platform, like a desktop without a file manager, opens nothing.
    find<QPushButton>("sBitBtnKartKayitlari")->click();
    ASSERT_EQ(errorBoxes.size(), 1);
    EXPECT_EQ(errorBoxes.front().toStdString(),
              "Kart Kayıtları Klasörü Açılamadı (" + base + "Log/)");
}

#include "window_behaviour_test.moc"
