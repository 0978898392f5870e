#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"
#include "ModuleLoader.h"
#include "platform/TextConv.h"

namespace {

// The host object handed to forwardText: prints what it receives on a line of its own.
class StdoutSink : public CZebTextSink {
public:
    void receiveText(const wchar_t* text) override
    {
        std::fputs((platform::toUtf8(text ? text : L"") + "\n").c_str(), stdout);
    }
};

std::string text;

void declare(CLI::App& command)
{
    command.add_option("TEXT", text, "the text")->required();
}

int run(CommandContext& context)
{
    std::unique_ptr<CZebTmplCIF> module = context.module->createInterface();
    if (!module) {
        std::fputs("zebhost: the module gave no interface object\n", stderr);
        return kExitModuleError;
    }
    StdoutSink sink;
    // The module passes the text on only when there is some; an empty text is not forwarded.
    const bool forwarded = module->forwardText(&sink, platform::fromUtf8(text), nullptr);
    return forwarded ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar({"forward", "pass TEXT through the module to a host object that prints it", true,
                                  &declare, &run});

} // namespace
