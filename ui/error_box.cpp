#include "ui/error_box.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace zorva::ui {

namespace {
ErrorBoxHook& hook() {
    static ErrorBoxHook instance;
    return instance;
}
} // namespace

void setErrorBoxHook(ErrorBoxHook h) {
    hook() = std::move(h);
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + QChar(u'.');
    return message;
}

void showErrorBox(QWidget* parent, const QString& message) {
    const QString text = errorBoxText(message);
    if (hook()) {
        hook()(text);
        return;
    }
    // Also on standard error: a program that runs unattended may have nobody to read the box,
    // and whoever looks at its output later should find what it said.
    std::fprintf(stderr, "zorva-kilit: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

bool guarded(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        showErrorBox(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        showErrorBox(parent, QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace zorva::ui
