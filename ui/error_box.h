#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace zorva::ui {

// The application's standard error box: critical icon, OK, titled with the application's
// title; a full stop is added when the message's last character sorts after it.
void showErrorBox(QWidget* parent, const QString& message);
QString errorBoxText(const QString& message);

// Runs program logic from a Qt slot or event handler. No exception may cross the event loop:
// any that escapes is shown in the error box and the program goes on.
bool guarded(QWidget* parent, const std::function<void()>& handler);

// Lets tests see the boxes instead of blocking on them.
using ErrorBoxHook = std::function<void(const QString& text)>;
void setErrorBoxHook(ErrorBoxHook hook);

} // namespace zorva::ui
