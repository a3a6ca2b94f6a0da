// zorvane-windows: the window-system checking tools on their own (what zorvane --list-windows,
// --capture and --diagnostics run), usable without the Qt shell.
#include "app/CommandLineTools.h"

#include <iostream>

int main(int argc, char** argv) {
    if (const auto code = zorvane::RunCommandLineTool(argc, argv, std::cout, std::cerr))
        return *code;
    std::cerr << "usage: zorvane-windows [--display NAME] (--list-windows | --capture DIR | --diagnostics)\n";
    return 2;
}
