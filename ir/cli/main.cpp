// pellwick-ir: see cli.h and the README's section on the tool.
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "ir/cli/cli.h"

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Standard input as bytes: in the C runtime's text mode a Ctrl-Z byte
    // would end it early, and the same bytes would give another answer than
    // on other systems. Line ends need no translation: CR is a blank to the
    // Pronto reader.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return pellwickir::run(args, std::cin, std::cout, std::cerr);
}
