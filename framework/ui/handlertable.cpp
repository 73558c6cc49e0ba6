#include "framework/ui/handlertable.h"

#include <utility>

namespace zrm::ui {

HandlerTable::Running::~Running() {
    if (--m_state->running > 0 || !m_state->idleAction)
        return;
    const std::function<void()> action = std::exchange(m_state->idleAction, nullptr);
    action();
}

void HandlerTable::whenIdle(std::function<void()> action) {
    if (m_state->running > 0) {
        m_state->idleAction = std::move(action);
        return;
    }
    action();
}

QString HandlerTable::missingMessage(const QString& name, const QString& eventDescription) {
    return QStringLiteral("O tratador \"%1\" do evento %2 não está registrado na tela.")
        .arg(name, eventDescription);
}

QString HandlerTable::typeMismatchMessage(const QString& name, const QString& eventDescription) {
    return QStringLiteral("O tratador \"%1\" não tem o tipo do evento %2.").arg(name, eventDescription);
}

}  // namespace zrm::ui
