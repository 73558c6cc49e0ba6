#include "host/hosttexts.h"

namespace zrm::host {

HostTexts HostTexts::forLanguage(const QString& language) {
    if (language == QLatin1String("en")) {
        return {
            QStringLiteral("ZRM System"),
            QStringLiteral("&File"),
            QStringLiteral("E&xit"),
            QStringLiteral("&Screens"),
            QStringLiteral("No screen loaded"),
            QStringLiteral("&Window"),
            QStringLiteral("&Cascade"),
            QStringLiteral("&Tile"),
            QStringLiteral("C&lose all"),
            QStringLiteral("Application server: %1:%2   Operator: %3"),
            QStringLiteral("The screen %1 (%2) could not be opened: %3"),
            QStringLiteral("No loaded package has the screen %1."),
            QStringLiteral("The package \"%1\" was not found. Check the path given in the settings or on "
                           "the command line."),
            QStringLiteral("The package %1 is already loaded (file \"%2\"); \"%3\" was ignored."),
            QStringLiteral("The file \"%1\" could not be loaded as a screen package (%2)."),
            QStringLiteral("The file \"%1\" is not a valid screen package: the entry %2 is missing."),
            QStringLiteral("The file \"%1\" does not give its package table."),
            QStringLiteral("The package \"%1\" was built for another version of the system (interface %2; "
                           "this system uses interface %3). Install the version of the package made for "
                           "this system."),
            QStringLiteral("The package \"%1\" does not give its name."),
            QStringLiteral("The table of the package \"%1\" is incomplete."),
            QStringLiteral("The table of the package \"%1\" has a screen without code or entry."),
            QStringLiteral("The package \"%1\" failed to give its table: %2"),
            QStringLiteral("The package %1 could not be started: %2"),
            QStringLiteral("the initialization was interrupted."),
            QStringLiteral("The package %1 failed to shut down: %2"),
            QStringLiteral("An unknown error occurred in the package."),
            QStringLiteral("Work area that loads the screen packages."),
            QStringLiteral(
                "Loads the screen package PATH (may be repeated; replaces the packages of the settings)."),
            QStringLiteral("Opens every screen of the loaded packages, side by side when there are several."),
            QStringLiteral(
                "Opens the screen with the code CODE (may be repeated; the screens open side by side)."),
            QStringLiteral(
                "Writes the main window, with the screens open, to the PNG picture FILE and ends.")};
    }
    return {
        QStringLiteral("Sistema ZRM"),
        QStringLiteral("&Arquivo"),
        QStringLiteral("&Sair"),
        QStringLiteral("&Telas"),
        QStringLiteral("Nenhuma tela carregada"),
        QStringLiteral("&Janela"),
        QStringLiteral("&Cascata"),
        QStringLiteral("&Lado a lado"),
        QStringLiteral("&Fechar todas"),
        QStringLiteral("Servidor de aplicação: %1:%2   Operador: %3"),
        QStringLiteral("A tela %1 (%2) não pôde ser aberta: %3"),
        QStringLiteral("Nenhum pacote carregado tem a tela %1."),
        QStringLiteral("O pacote \"%1\" não foi encontrado. Verifique o caminho informado nas configurações "
                       "ou na linha de comando."),
        QStringLiteral("O pacote %1 já está carregado (arquivo \"%2\"); \"%3\" foi ignorado."),
        QStringLiteral("O arquivo \"%1\" não pôde ser carregado como pacote de telas (%2)."),
        QStringLiteral("O arquivo \"%1\" não é um pacote de telas válido: falta a entrada %2."),
        QStringLiteral("O arquivo \"%1\" não informa sua tabela de pacote."),
        QStringLiteral("O pacote \"%1\" foi gerado para outra versão do sistema (interface %2; este sistema "
                       "usa a interface %3). Instale a versão do pacote feita para este sistema."),
        QStringLiteral("O pacote \"%1\" não informa o seu nome."),
        QStringLiteral("A tabela do pacote \"%1\" está incompleta."),
        QStringLiteral("A tabela do pacote \"%1\" tem uma tela sem código ou sem entrada."),
        QStringLiteral("O pacote \"%1\" falhou ao informar sua tabela: %2"),
        QStringLiteral("O pacote %1 não pôde ser iniciado: %2"),
        QStringLiteral("a inicialização foi interrompida."),
        QStringLiteral("O pacote %1 falhou ao encerrar: %2"),
        QStringLiteral("Ocorreu um erro desconhecido no pacote."),
        QStringLiteral("Área de trabalho que carrega os pacotes de telas."),
        QStringLiteral(
            "Carrega o pacote de telas PATH (pode ser repetida; substitui os pacotes das configurações)."),
        QStringLiteral("Abre todas as telas dos pacotes carregados, lado a lado quando são várias."),
        QStringLiteral("Abre a tela de código CODE (pode ser repetida; as telas abrem lado a lado)."),
        QStringLiteral("Grava a janela principal, com as telas abertas, na imagem PNG FILE e termina.")};
}

}  // namespace zrm::host
