#include "host/hosttexts.h"

namespace zrm::host {

HostTexts HostTexts::forLanguage(const QString& language) {
    if (language == QLatin1String("en")) {
        return {QStringLiteral("ZRM System"),
                QStringLiteral("&File"),
                QStringLiteral("E&xit"),
                QStringLiteral("&Screens"),
                QStringLiteral("No screen loaded"),
                QStringLiteral("&Window"),
                QStringLiteral("&Cascade"),
                QStringLiteral("&Tile"),
                QStringLiteral("C&lose all"),
                QStringLiteral("Application server: %1:%2   Operator: %3"),
                QStringLiteral("The screen %1 (%2) could not be opened: %3")};
    }
    return {QStringLiteral("Sistema ZRM"),
            QStringLiteral("&Arquivo"),
            QStringLiteral("&Sair"),
            QStringLiteral("&Telas"),
            QStringLiteral("Nenhuma tela carregada"),
            QStringLiteral("&Janela"),
            QStringLiteral("&Cascata"),
            QStringLiteral("&Lado a lado"),
            QStringLiteral("&Fechar todas"),
            QStringLiteral("Servidor de aplicação: %1:%2   Operador: %3"),
            QStringLiteral("A tela %1 (%2) não pôde ser aberta: %3")};
}

}  // namespace zrm::host
