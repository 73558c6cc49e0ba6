#pragma once

// The command line of zrm-appserver: a command, its options and operands. Every option can also be
// given in the environment as ZRM_<NAME> (upper case, dashes as underscores: --max-body is
// ZRM_MAX_BODY); the command line wins over the environment.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zrm::server::app {

struct OptionDefinition {
    std::string name;       // without the dashes: "db", "allow-insecure"
    std::string valueName;  // "URL"; empty for a flag
    std::string help;       // Portuguese
};

struct CommandDefinition {
    std::string name;
    std::string summary;   // one line, Portuguese
    std::string operands;  // "FILE" or empty
    std::vector<OptionDefinition> options;
};

// A usage mistake; the message is a Portuguese sentence. zrm-appserver exits with status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ParsedCommand {
public:
    // The value of an option: from the command line, else from the environment, else nullopt.
    std::optional<std::string> value(const std::string& name) const;
    // The value, or a UsageError naming the option when it is missing or empty.
    std::string required(const std::string& name) const;
    // A flag given on the command line or set to 1/true/yes/sim in the environment.
    bool flag(const std::string& name) const;
    const std::vector<std::string>& operands() const { return m_operands; }
    bool helpRequested() const { return m_help; }

private:
    friend ParsedCommand parseCommand(const CommandDefinition&, const std::vector<std::string>&);
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_operands;
    bool m_help = false;
};

// Parses the arguments after the command name: "--name value", "--name=value", flags, operands and
// "--help". Reads the environment for options the arguments do not give. Throws UsageError for an
// unknown option, a missing value, a value given to a flag or a wrong number of operands (one when
// definition.operands is set, none otherwise); --help skips the operand check.
ParsedCommand parseCommand(const CommandDefinition& definition, const std::vector<std::string>& arguments);

// The environment variable of an option: "max-body" -> "ZRM_MAX_BODY".
std::string environmentName(const std::string& option);

// The help text of one command, and of the program with every command.
std::string commandHelp(const CommandDefinition& definition);
std::string programHelp(const std::vector<CommandDefinition>& commands);

}  // namespace zrm::server::app
