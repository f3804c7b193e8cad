// tonvik3-cli: renders, exports, converts and describes songs without the editor.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "CliSupport.h"
#include "Commands.h"
#include "core/module/CoreClasses.h"
#include "morvane/api/CMorvane.h"

namespace {

// Keeps the framework open while it lives: q.Close() on every way out.
class CFramework {
public:
    CFramework()
    {
        morvane::q.Init();
        ovk::RegisterCoreClasses();
    }
    ~CFramework()
    {
        try {
            morvane::q.Close();
        } catch (const morvane::CException&) {
            // Reported by the exception itself; nothing more to do on the way out.
        }
    }
    CFramework(const CFramework&) = delete;
    CFramework& operator=(const CFramework&) = delete;
};

using TCommandAdder = void (*)(CLI::App&, ovk::cli::TCommandAction&);

// The subcommands, in the order the help lists them. A new subcommand is a
// source file of its own defining its Add...Command function (declared in
// Commands.h) and one line here.
const TCommandAdder kCommands[] = {
    ovk::cli::AddRenderCommand,
    ovk::cli::AddExportCCommand,
    ovk::cli::AddConvertCommand,
    ovk::cli::AddInfoCommand,
    ovk::cli::AddPlayCommand,
};

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Renders, exports, converts and describes tonvik3 songs and instruments.", "tonvik3-cli"};
    app.require_subcommand(1);
    ovk::cli::TCommandAction action;
    for (TCommandAdder add : kCommands)
        add(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help gives 0; a wrong command line is a plain failure.
        return app.exit(e) == 0 ? ovk::cli::kExitSuccess : ovk::cli::kExitFailure;
    }

    try {
        CFramework framework;
        return action ? action() : ovk::cli::kExitFailure;
    } catch (const ovk::cli::CCliError& e) {
        std::fprintf(stderr, "tonvik3-cli: %s\n", e.what());
        return e.Status();
    } catch (const morvane::CException& e) {
        std::fprintf(stderr, "tonvik3-cli: %s\n", morvane::utf::PathToBytes(e.GetReason()).c_str());
        return ovk::cli::kExitFailure;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonvik3-cli: %s\n", e.what());
        return ovk::cli::kExitFailure;
    }
}
