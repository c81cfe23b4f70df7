#include "ui/error_box.h"

#include <QApplication>
#include <QMessageBox>

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
