// zrm-appserver: the application server of the budget calendar and its administration commands.

#include "framework/packet/localzone.h"
#include "server/app/commandline.h"
#include "server/app/commands.h"

#include <QCoreApplication>

#include <algorithm>
#include <iostream>

using namespace zrm::server::app;

int main(int argc, char** argv) {
    zrm::pinLocalTimeZone();  // before any worker thread starts
    // The database drivers load as plugins and look for them through the application object.
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto& definitions = commandDefinitions();
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h" ||
        arguments.front() == "help") {
        std::cout << programHelp(definitions);
        return arguments.empty() ? 2 : 0;
    }
    const auto definition =
        std::find_if(definitions.begin(), definitions.end(),
                     [&](const CommandDefinition& s) { return s.name == arguments.front(); });
    try {
        if (definition == definitions.end())
            throw UsageError("Comando desconhecido: \"" + arguments.front() + "\".");
        const ParsedCommand command =
            parseCommand(*definition, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
        if (command.helpRequested()) {
            std::cout << commandHelp(*definition);
            return 0;
        }
        return runCommand(definition->name, command);
    } catch (const UsageError& error) {
        std::cerr << "zrm-appserver: " << error.what() << "\n"
                  << "Use 'zrm-appserver --help' ou 'zrm-appserver COMANDO --help'.\n";
        return 2;
    }
}
