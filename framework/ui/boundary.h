#pragma once

// The boundary where the user started something (a key, a click, a focus change, a menu or toolbar
// command). Everything a control runs on the user's behalf goes through guardUserAction, so that a
// handler's exception stops exactly that action and never reaches Qt's event machinery.

#include <QString>

#include <functional>

class QWidget;

namespace zrm::ui {

// Runs action. EAbort stops it silently; any other exception is shown once in an error box (parented
// to context's window) and stops it. Returns true when the action ran to its end.
bool guardUserAction(QWidget* context, const std::function<void()>& action) noexcept;

// The modal error box with the given message (Portuguese title "Erro", one button "OK").
void showErrorBox(QWidget* parent, const QString& message);

}  // namespace zrm::ui
