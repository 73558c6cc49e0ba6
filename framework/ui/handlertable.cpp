#include "framework/ui/handlertable.h"

namespace zrm::ui {

QString HandlerTable::missingMessage(const QString& name, const QString& eventDescription) {
    return QStringLiteral("O tratador \"%1\" do evento %2 não está registrado na tela.")
        .arg(name, eventDescription);
}

QString HandlerTable::typeMismatchMessage(const QString& name, const QString& eventDescription) {
    return QStringLiteral("O tratador \"%1\" não tem o tipo do evento %2.").arg(name, eventDescription);
}

}  // namespace zrm::ui
