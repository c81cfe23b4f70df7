// zorva-kilit: the program's entry. Starts the process that the encoder library runs in, builds
// the window with it and the user's regional settings (without any, the Turkish ones, which the
// log then names), shows it, and runs the event loop until the window is closed.

#include "lock/hosted_lock_library.h"
#include "platform/executable_path.h"
#include "platform/regional_settings.h"
#include "platform/termination_signals.h"
#include "ui/error_box.h"
#include "ui/start_format_settings.h"
#include "ui/ta_naf.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("zorva-kilit"));
    application.setApplicationDisplayName(zorva::ui::TAnaF::title());
    // The window is hidden to the notification area, not closed, so closing the last visible
    // window must not end the program by itself.
    application.setQuitOnLastWindowClosed(false);

    // Before anything runs that a termination signal should be able to cut short.
    const int signalFd = zorva::platform::watchTerminationSignals();

    // As a program linked against the library would not start without it, this one does not
    // start when the library cannot be made ready; it says which part failed and why.
    zorva::lock::HostedLockLibrary lock(
        zorva::lock::HostedLockLibrary::hostFor(zorva::platform::executableDirectory()));
    lock.setInterrupt(signalFd);
    try {
        lock.start();
    } catch (const zorva::lock::LibraryFailure& failure) {
        // Asked to end before it had started.
        if (failure.kind() == zorva::lock::LibraryFailure::Kind::Interrupted)
            return 0;
        QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                        zorva::ui::errorBoxText(QString::fromStdString(failure.detail())),
                        QMessageBox::Ok);
        std::fprintf(stderr, "zorva-kilit: %s\n", box.text().toLocal8Bit().constData());
        std::fflush(stderr);
        if (signalFd >= 0) {
            auto* notifier = new QSocketNotifier(signalFd, QSocketNotifier::Read, &box);
            QObject::connect(notifier, &QSocketNotifier::activated, &box, &QMessageBox::reject);
        }
        box.exec();
        return 1;
    }

    const auto regional = zorva::ui::startFormatSettings(
        QLocale::system(), zorva::platform::hasRegionalDateSettings());
    zorva::ui::TAnaF window(lock, regional.settings);
    // Before the event loop runs the deferred start, so that it is the log's first line.
    if (!regional.notice.empty())
        window.core().WriteLog(regional.notice);
    QObject::connect(&window, &zorva::ui::TAnaF::closed, &application, &QApplication::quit);
    // What the operator reads in the window, also for a terminal, a desktop session's journal
    // or a service manager. One write per line, so that lines from elsewhere never split one.
    window.log().setMirror([](const std::string& line) {
        const std::string out = line + '\n';
        std::fwrite(out.data(), 1, out.size(), stderr);
    });

    if (signalFd >= 0) {
        auto* notifier = new QSocketNotifier(signalFd, QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window,
                         [&window, signalFd, closing = false]() mutable {
                             const int sig = zorva::platform::takeTerminationSignal(signalFd);
                             // A close that shows an error box waits for someone to answer
                             // it. A second request ends the program at once, as the signal
                             // would by default; every file is replaced whole, so none is left
                             // half written.
                             if (closing) {
                                 std::signal(sig > 0 ? sig : SIGTERM, SIG_DFL);
                                 std::raise(sig > 0 ? sig : SIGTERM);
                                 return;
                             }
                             closing = true;
                             window.requestClose();
                         });
    }

    window.show();
    return QApplication::exec();
}
