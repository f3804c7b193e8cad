#pragma once
#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace ovk::cli {

// What a chosen subcommand does once the command line is parsed and the
// framework is open; gives the exit status.
using TCommandAction = std::function<int()>;

// Each subcommand adds itself to the application and, through the callback
// of its subcommand, stores its action in action.
void AddRenderCommand(CLI::App& app, TCommandAction& action);
void AddExportCCommand(CLI::App& app, TCommandAction& action);
void AddConvertCommand(CLI::App& app, TCommandAction& action);
void AddInfoCommand(CLI::App& app, TCommandAction& action);
void AddPlayCommand(CLI::App& app, TCommandAction& action);

} // namespace ovk::cli
