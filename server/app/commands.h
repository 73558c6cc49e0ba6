#pragma once

// The commands of zrm-appserver. Each returns the process's exit status (0 success, 1 failure) and
// writes its messages, in Portuguese, to standard error; usage mistakes throw UsageError (status 2).

#include "server/app/commandline.h"

#include <vector>

namespace zrm::server::app {

// serve, import, export, demo, in the order the help lists them.
const std::vector<CommandDefinition>& commandDefinitions();

// Runs the named command with its parsed options. Throws UsageError for a bad option value.
int runCommand(const std::string& name, const ParsedCommand& command);

}  // namespace zrm::server::app
