// The room page of the real window, driven by keys and clicks, against Odalar.ini on disk.

#include "transport/udp_server.h"
#include "ui/data_set_model.h"
#include "ui/db_navigator.h"
#include "ui/memo_log.h"
#include "ui/mvrx_db_grid.h"
#include "ui/number_edit.h"
#include "ui/theme.h"
#include "window_fixture.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

namespace {

using zorva::rooms::DataSetState;
using zorva::ui::DBNavigator;

std::string crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::string section(int n, const std::string& name, const std::string& oda = "") {
    return crlf({"[RecNo" + std::to_string(n) + "]", "ALAN=", "BINA=", "KAT=", "ODA=" + oda,
                 "ODA_STR=" + name});
}

// Rooms as someone might have written them by hand: any rewrite by the program shows.
const std::string handWritten = "[a]\r\noda_str=101\r\n[b]\r\noda_str=102\r\n"
                                "[c]\r\noda_str=103\r\n[d]\r\noda_str=104\r\n";

struct Box {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

class RoomPageTest : public WindowTest {
protected:
    void openRoomPage() {
        window->PageControlMain->setCurrentIndex(1);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        grid()->setFocus();
        QCoreApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), grid());
    }

    zorva::ui::TMVRXDBGrid* grid() const { return window->MVRXDBGrid1; }
    DBNavigator* navigator() const { return window->sDBNavigator1; }
    zorva::rooms::MemoryDataSet& rooms() const { return window->rooms(); }
    std::string currentName() const { return rooms().field("ODA_STR").asString(); }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }

    void type(const QString& text) {
        for (QChar c : text) {
            QWidget* target = QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    // Answers the next message box with the button and tells what it showed.
    void answerNextBox(QMessageBox::StandardButton answer, Box& seen) {
        auto* timer = new QTimer(window.get());
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [timer, answer, &seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
            timer->stop();
            timer->deleteLater();
            box->button(answer)->click();
        });
        timer->start();
    }

    // The window is active again once a box has gone, and its focus is back. The offscreen
    // platform has no window manager to give the activation back by itself.
    void settle() {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();
    }

    void startLock() {
        window->EditZorvakilt_EMD_R1->setText(QStringLiteral("ABCD"));
        window->EditZorvakilt_EMD_R2->setText(QStringLiteral("EFGH"));
        window->EditZorvakilt_EMD_R3->setText(QStringLiteral("IJKL"));
        window->EditZorvakilt_EMD_R4->setText(QStringLiteral("MNOP"));
        window->CurrencyEditUDP->setValue(0);
        QTest::mouseClick(window->sBitBtn1, Qt::LeftButton);
        ASSERT_TRUE(window->listener().Active());
        ASSERT_EQ(lock.calls.back(), "BeepOk");
    }

    // A check-in datagram through the real listener; returns once the encoder has beeped.
    void checkIn(const std::string& room) {
        const std::string payload = "CIN=29.07.2025 14:00^COUT=31.07.2025 12:00^ODA=" + room;
        const int port = window->listener().Bindings().at(0).Port();
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
        ::close(fd);
        const std::size_t before = lock.calls.size();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline &&
               !(lock.calls.size() > before && lock.calls.back().rfind("Beep", 0) == 0))
            QTest::qWait(5);
        ASSERT_GT(lock.calls.size(), before) << "the datagram was not handled";
    }
};

} // namespace

TEST_F(RoomPageTest, TheGridAndTheLogCaptionUseTheWindowsBoldFace) {
    writeFile("Odalar.ini", section(1, "201"));
    start();
    openRoomPage();
    type(QStringLiteral("2"));
    ASSERT_NE(grid()->cellEditor(), nullptr);
    const QFont face = zorva::ui::windowFont();
    // What each text is drawn with: cells by the grid's font, titles and the record indicator
    // by their header's viewport, the caption by the group box.
    const std::pair<const char*, QWidget*> texts[] = {
        {"cells", grid()},
        {"titles", grid()->horizontalHeader()->viewport()},
        {"record indicator", grid()->verticalHeader()->viewport()},
        {"cell editor", grid()->cellEditor()},
        {"log caption", window->sGroupBox1},
    };
    for (const auto& [what, widget] : texts) {
        EXPECT_EQ(widget->font().family(), face.family()) << what;
        EXPECT_EQ(widget->font().pointSize(), 8) << what;
        EXPECT_TRUE(widget->font().bold()) << what;
    }
    EXPECT_FALSE(window->MemoLog->font().bold()) << "the log's lines keep the regular face";
}

TEST_F(RoomPageTest, TypingANewRoomAndMovingDownWritesIt) {
    start();
    openRoomPage();
    type(QStringLiteral("101"));
    press(Qt::Key_Return);
    press(Qt::Key_Right);
    type(QStringLiteral("5"));
    EXPECT_FALSE(fileExists("Odalar.ini")) << "nothing is written before the post";
    press(Qt::Key_Down);
    EXPECT_EQ(readFile("Odalar.ini"), section(1, "101", "5"));
    EXPECT_EQ(rooms().state(), DataSetState::Insert) << "a new row after the last";

    type(QStringLiteral("3"));
    press(Qt::Key_Left);
    EXPECT_EQ(errorBoxes, QStringList{}) << "Left stays in the cell editor";
    press(Qt::Key_Return);
    press(Qt::Key_Left);
    type(QStringLiteral("Şile"));
    press(Qt::Key_Up);
    EXPECT_EQ(readFile("Odalar.ini"), section(1, "101", "5") + section(2, "\xDEile", "3"))
        << "room names are stored as Windows-1254 bytes";
    EXPECT_EQ(currentName(), "101");
    EXPECT_TRUE(errorBoxes.isEmpty());
}

TEST_F(RoomPageTest, InsertWithTheThirdRecordCurrentPutsTheNewOneThird) {
    writeFile("Odalar.ini", handWritten);
    start();
    openRoomPage();
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    ASSERT_EQ(currentName(), "103");
    press(Qt::Key_Insert);
    EXPECT_EQ(grid()->currentIndex().row(), 2);
    type(QStringLiteral("NEW"));
    EXPECT_EQ(readFile("Odalar.ini"), handWritten);
    press(Qt::Key_Down);
    EXPECT_EQ(readFile("Odalar.ini"), section(1, "101") + section(2, "102") + section(3, "NEW") +
                                          section(4, "103") + section(5, "104"));
    EXPECT_EQ(currentName(), "103") << "Down went on to the record after the new one";
}

TEST_F(RoomPageTest, CtrlDeleteAsksYesOrNo) {
    writeFile("Odalar.ini", handWritten);
    start();
    openRoomPage();
    press(Qt::Key_Down);
    Box seen;
    answerNextBox(QMessageBox::No, seen);
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(seen.text, QStringLiteral("Delete record?"));
    EXPECT_EQ(seen.title, QStringLiteral("Confirm"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    settle();
    EXPECT_EQ(rooms().recordCount(), 4);
    EXPECT_EQ(readFile("Odalar.ini"), handWritten) << "No changes nothing";

    answerNextBox(QMessageBox::Yes, seen);
    press(Qt::Key_Delete, Qt::ControlModifier);
    settle();
    EXPECT_EQ(readFile("Odalar.ini"), section(1, "101") + section(2, "103") + section(3, "104"));
    EXPECT_EQ(currentName(), "103");
    EXPECT_EQ(QApplication::focusWidget(), grid()) << "the focus is back on the grid";
}

TEST_F(RoomPageTest, DeletingTheLastRecordRemovesTheFile) {
    writeFile("Odalar.ini", "[RecNo1]\r\nODA_STR=101\r\n");
    start();
    openRoomPage();
    grid()->confirmDelete = [] { return true; };
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(rooms().recordCount(), 0);
    EXPECT_FALSE(fileExists("Odalar.ini"));
    EXPECT_EQ(window->OdaTanim_S->rowCount(), 1) << "a blank row to type the next room into";
    press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(errorBoxes.isEmpty());
    EXPECT_FALSE(fileExists("Odalar.ini"));
}

TEST_F(RoomPageTest, EscOnAnUnchangedNewRowRemovesIt) {
    writeFile("Odalar.ini", handWritten);
    start();
    openRoomPage();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    ASSERT_EQ(window->OdaTanim_S->rowCount(), 5);
    press(Qt::Key_Escape);
    EXPECT_EQ(window->OdaTanim_S->rowCount(), 4);
    EXPECT_EQ(rooms().state(), DataSetState::Browse);
    EXPECT_EQ(currentName(), "104");
    EXPECT_EQ(readFile("Odalar.ini"), handWritten);
}

TEST_F(RoomPageTest, ABadIntegerShowsTheErrorAndKeepsTheRowEditable) {
    start();
    openRoomPage();
    type(QStringLiteral("101"));
    press(Qt::Key_Return);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    type(QStringLiteral("12-"));
    press(Qt::Key_Down);
    EXPECT_EQ(errorBoxes,
              QStringList{QStringLiteral("'12-' is not a valid integer value for field 'KAT'")});
    EXPECT_EQ(rooms().state(), DataSetState::Insert);
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), QStringLiteral("12-"));
    EXPECT_FALSE(fileExists("Odalar.ini"));
    press(Qt::Key_Backspace);
    press(Qt::Key_Down);
    EXPECT_EQ(readFile("Odalar.ini"),
              crlf({"[RecNo1]", "ALAN=", "BINA=", "KAT=12", "ODA=", "ODA_STR=101"}));
}

TEST_F(RoomPageTest, ADatagramArrivingMidEditPostsTheRowAndFindsIt) {
    writeFile("Odalar.ini", handWritten);
    start();
    startLock();
    openRoomPage();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    type(QStringLiteral("105"));
    ASSERT_NE(grid()->cellEditor(), nullptr) << "still typing";
    checkIn("105");
    EXPECT_EQ(lock.calls.back(), "BeepOk");
    EXPECT_EQ(readFile("Odalar.ini"), section(1, "101") + section(2, "102") + section(3, "103") +
                                          section(4, "104") + section(5, "105"));
    EXPECT_EQ(rooms().state(), DataSetState::Browse);
    EXPECT_EQ(currentName(), "105");
    EXPECT_EQ(grid()->currentIndex().row(), 4) << "the grid shows the record found";
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), grid());
}

TEST_F(RoomPageTest, ADatagramDropsAnUnchangedNewRowAndTheGridShowsTheRoomFound) {
    writeFile("Odalar.ini", handWritten);
    start();
    startLock();
    openRoomPage();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    ASSERT_EQ(window->OdaTanim_S->rowCount(), 5);
    checkIn("102");
    EXPECT_EQ(lock.calls.back(), "BeepOk");
    EXPECT_EQ(window->OdaTanim_S->rowCount(), 4);
    EXPECT_EQ(grid()->currentIndex().row(), 1);
    EXPECT_EQ(readFile("Odalar.ini"), handWritten) << "nothing to post, nothing written";

    checkIn("999");
    EXPECT_EQ(lock.calls.back(), "BeepFailure");
    EXPECT_EQ(grid()->currentIndex().row(), 1) << "a room not found leaves the grid where it was";
}

TEST_F(RoomPageTest, TabGoesToTheNavigatorAndDropsAnUnchangedNewRow) {
    writeFile("Odalar.ini", handWritten);
    start();
    openRoomPage();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), navigator());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->OdaTanim_S->rowCount(), 4);
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    EXPECT_EQ(readFile("Odalar.ini"), handWritten);
}

TEST_F(RoomPageTest, SwitchingPagesDropsAnUnchangedNewRowAndKeepsATypedOne) {
    writeFile("Odalar.ini", handWritten);
    start();
    openRoomPage();
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    window->PageControlMain->setCurrentIndex(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->OdaTanim_S->rowCount(), 4);

    openRoomPage();
    press(Qt::Key_Down);
    type(QStringLiteral("105"));
    window->PageControlMain->setCurrentIndex(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(rooms().state(), DataSetState::Insert);
    EXPECT_EQ(currentName(), "105") << "taken in, for a post or a check-in to finish";
    EXPECT_EQ(readFile("Odalar.ini"), handWritten);
}

TEST_F(RoomPageTest, NavigatorDeleteAsksOkOrCancelAndPostWrites) {
    writeFile("Odalar.ini", handWritten);
    start();
    openRoomPage();
    const auto click = [this](DBNavigator::Button b) {
        QTest::mouseClick(navigator()->button(b), Qt::LeftButton);
    };
    click(DBNavigator::Next);
    click(DBNavigator::Prior);
    type(QStringLiteral("100"));
    click(DBNavigator::Cancel);
    EXPECT_EQ(currentName(), "101");
    EXPECT_EQ(readFile("Odalar.ini"), handWritten) << "moves and cancel write nothing";

    Box seen;
    answerNextBox(QMessageBox::Cancel, seen);
    click(DBNavigator::Delete);
    EXPECT_EQ(seen.text, QStringLiteral("Delete record?"));
    EXPECT_EQ(seen.title, QStringLiteral("Confirm"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(readFile("Odalar.ini"), handWritten);

    answerNextBox(QMessageBox::Ok, seen);
    click(DBNavigator::Delete);
    settle();
    EXPECT_EQ(readFile("Odalar.ini"), section(1, "102") + section(2, "103") + section(3, "104"));

    click(DBNavigator::Insert);
    type(QStringLiteral("99"));
    click(DBNavigator::Post);
    EXPECT_EQ(readFile("Odalar.ini"),
              section(1, "99") + section(2, "102") + section(3, "103") + section(4, "104"));
}

TEST_F(RoomPageTest, TheRoomPageAttachesNoEditors) {
    start();
    EXPECT_EQ(grid()->Cont_DateEdit(), nullptr);
    EXPECT_EQ(grid()->Cont_CheckBox(), nullptr);
    EXPECT_EQ(grid()->StatusBar(), nullptr);
    EXPECT_TRUE(grid()->KeyVK_END());
    EXPECT_FALSE(grid()->Azerice());
    EXPECT_EQ(grid()->dataSource(), window->OdaTanim_S);
    EXPECT_EQ(navigator()->dataSource(), window->OdaTanim_S);
}
