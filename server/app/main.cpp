// zrm-appserver: the application server of the budget calendar and its administration commands.

#include "server/app/commandline.h"
#include "server/app/commands.h"

#include <QCoreApplication>

#include <algorithm>
#include <iostream>

using namespace zrm::server::app;

int main(int argc, char** argv) {
    // The database drivers load as plugins and look for them through the application object.
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto& specs = commandSpecs();
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h" ||
        arguments.front() == "help") {
        std::cout << programHelp(specs);
        return arguments.empty() ? 2 : 0;
    }
    const auto spec = std::find_if(specs.begin(), specs.end(),
                                   [&](const CommandSpec& s) { return s.name == arguments.front(); });
    try {
        if (spec == specs.end())
            throw UsageError("Comando desconhecido: \"" + arguments.front() + "\".");
        const ParsedCommand command =
            parseCommand(*spec, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
        if (command.helpRequested()) {
            std::cout << commandHelp(*spec);
            return 0;
        }
        return runCommand(spec->name, command);
    } catch (const UsageError& error) {
        std::cerr << "zrm-appserver: " << error.what() << "\n"
                  << "Use 'zrm-appserver --help' ou 'zrm-appserver COMANDO --help'.\n";
        return 2;
    }
}
