#include "server/app/commandline.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zrm::server::app {

namespace {

const OptionDefinition* findOption(const CommandDefinition& definition, const std::string& name) {
    auto it = std::find_if(definition.options.begin(), definition.options.end(),
                           [&](const OptionDefinition& option) { return option.name == name; });
    return it == definition.options.end() ? nullptr : &*it;
}

std::optional<std::string> fromEnvironment(const std::string& option) {
    const char* value = std::getenv(environmentName(option).c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}

}  // namespace

std::string environmentName(const std::string& option) {
    std::string name = "ZRM_";
    for (const char c : option)
        name += c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::optional<std::string> ParsedCommand::value(const std::string& name) const {
    auto it = m_values.find(name);
    if (it != m_values.end())
        return it->second;
    return fromEnvironment(name);
}

std::string ParsedCommand::required(const std::string& name) const {
    const std::optional<std::string> given = value(name);
    if (!given || given->empty()) {
        throw UsageError("Falta a opção --" + name + " (ou a variável de ambiente " + environmentName(name) +
                         ").");
    }
    return *given;
}

bool ParsedCommand::flag(const std::string& name) const {
    if (m_values.contains(name))
        return true;
    std::string text = fromEnvironment(name).value_or("");
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text == "1" || text == "true" || text == "yes" || text == "sim";
}

ParsedCommand parseCommand(const CommandDefinition& definition, const std::vector<std::string>& arguments) {
    ParsedCommand parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            parsed.m_help = true;
            continue;
        }
        if (argument.rfind("--", 0) != 0 || argument == "--") {
            parsed.m_operands.push_back(argument);
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name =
            argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionDefinition* option = findOption(definition, name);
        if (!option)
            throw UsageError("O comando " + definition.name + " não conhece a opção --" + name + ".");
        if (option->valueName.empty()) {
            if (equals != std::string::npos)
                throw UsageError("A opção --" + name + " não recebe valor.");
            parsed.m_values[name] = "1";
        } else if (equals != std::string::npos) {
            parsed.m_values[name] = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            parsed.m_values[name] = arguments[++i];
        } else {
            throw UsageError("A opção --" + name + " precisa de um valor (" + option->valueName + ").");
        }
    }
    if (parsed.m_help)
        return parsed;
    const std::size_t wanted = definition.operands.empty() ? 0 : 1;
    if (parsed.m_operands.size() != wanted) {
        throw UsageError(wanted == 0
                             ? "O comando " + definition.name + " não recebe argumentos além das opções."
                             : "O comando " + definition.name + " precisa de exatamente um " +
                                   definition.operands + ".");
    }
    return parsed;
}

std::string commandHelp(const CommandDefinition& definition) {
    std::string text = "Uso: zrm-appserver " + definition.name + " [opções]" +
                       (definition.operands.empty() ? "" : " " + definition.operands) + "\n\n" +
                       definition.summary + "\n\nOpções:\n";
    for (const OptionDefinition& option : definition.options) {
        std::string left = "  --" + option.name + (option.valueName.empty() ? "" : " " + option.valueName);
        left.resize(std::max<std::size_t>(left.size() + 2, 30), ' ');
        text += left + option.help + " [" + environmentName(option.name) + "]\n";
    }
    text += "  --help                      mostra esta ajuda\n";
    return text;
}

std::string programHelp(const std::vector<CommandDefinition>& commands) {
    std::string text =
        "Uso: zrm-appserver COMANDO [opções]\n\n"
        "Servidor de aplicação do Calendário para Orçamento (ZRM71300): atende o módulo remoto\n"
        "ZRM71300.rdmCalendOrcOp em JSON-RPC 2.0 sobre HTTP/1.1.\n\nComandos:\n";
    for (const CommandDefinition& command : commands) {
        std::string left = "  " + command.name;
        left.resize(12, ' ');
        text += left + command.summary + "\n";
    }
    text +=
        "\n'zrm-appserver COMANDO --help' mostra as opções de um comando. Toda opção também pode vir do\n"
        "ambiente como ZRM_<NOME> (por exemplo ZRM_DB, ZRM_LISTEN); a linha de comando prevalece.\n"
        "Saída: 0 sucesso, 1 falha na execução, 2 uso incorreto.\n";
    return text;
}

}  // namespace zrm::server::app
