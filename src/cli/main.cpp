// verdane-cli: the program's conversions without a window, for converting many
// files at once. Exit codes: 0 success, 1 failure (one line on standard error),
// 2 bad usage.
#include "CliIo.h"
#include "Commands.h"
#include "Terminal.h"

#include <cstdio>
#include <iostream>
#include <string_view>

namespace {

using namespace verdane::cli;

struct Command {
    std::string_view name;
    int (*run)(const Args&);
    std::string_view summary;
};

constexpr Command kCommands[] = {
    {"to-doc", RunToDoc, "turn a text file into a Palm DOC database"},
    {"to-text", RunToText, "turn a Palm DOC database into a text file"},
    {"kanji", RunKanji, "convert JIS, EUC or UTF-8 text to Shift-JIS, or detect its code"},
    {"html2text", RunHtml2Text, "turn an HTML file into plain text"},
    {"match", RunMatch, "find the first match of a pattern"},
    {"gsub", RunGsub, "replace every match of a pattern"},
    {"fetch", RunFetch, "download a web page as Shift-JIS text"},
    {"install", RunInstall, "queue a text file as a DOC database for a handheld user"},
    {"aozora", RunAozora, "turn an Aozora Bunko work (.zip or text) into a clean text"},
    {"library", RunLibrary, "search Aozora Bunko's catalogue, or fetch a work clean"},
    {"info", RunInfo, "show a Palm database's title, records, compression and bookmarks"},
    {"palm-desktop", RunPalmDesktop, "make a Palm Desktop (users and install folders) to install into"},
};

void PrintHelp(std::FILE* to) {
    std::fprintf(to,
                 "Usage: verdane-cli COMMAND [OPTIONS] ARGS...\n"
                 "Verdane's conversions without a window. \"-\" names standard input or output.\n"
                 "Exit status: 0 on success, 1 when the work failed, 2 on bad usage.\n\n"
                 "Commands:\n");
    for (const auto& command : kCommands)
        std::fprintf(to, "  %-13s %s\n", std::string(command.name).c_str(), std::string(command.summary).c_str());
    std::fprintf(to,
                 "\nRun 'verdane-cli help COMMAND' or 'verdane-cli COMMAND --help' for the options of a\n"
                 "command, 'verdane-cli --version' for the version.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    std::string_view name = argv[1];
    if (name == "--version") {
        std::printf("verdane-cli %s\n", VERDANE_VERSION);
        return 0;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        if (argc == 2) {
            PrintHelp(stdout);
            return 0;
        }
        // help COMMAND: the command's own --help.
        for (const auto& command : kCommands) {
            if (command.name != argv[2]) continue;
            SetCommandName(command.name);
            return command.run(Args{"--help"});
        }
        std::fprintf(stderr, "verdane-cli: unknown command '%s'\nTry 'verdane-cli --help'.\n", argv[2]);
        return 2;
    }
    for (const auto& command : kCommands) {
        if (command.name != name) continue;
        Args args(argv + 2, argv + argc);
        SetCommandName(name);
        try {
            return command.run(args);
        } catch (const UsageError& e) {
            // A usage error may quote an argument, which holds what the user gave.
            WriteTerminal(stderr, "verdane-cli " + std::string(name) + ": " + OneLine(e.what()) + "\nTry 'verdane-cli " +
                                      std::string(name) + " --help'.\n");
            return 2;
        } catch (const std::exception& e) {
            // A failure may name what a server, a catalogue or an archive gave.
            WriteTerminal(stderr, "verdane-cli " + std::string(name) + ": " + OneLine(e.what()) + "\n");
            return 1;
        }
    }
    WriteTerminal(stderr, "verdane-cli: unknown command '" + OneLine(name) + "'\n");
    PrintHelp(stderr);
    return 2;
}
