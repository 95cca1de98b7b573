// pellwick-ir: see cli.h and the README's section on the tool.
#include <iostream>

#include "ir/cli/cli.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return pellwickir::run(args, std::cin, std::cout, std::cerr);
}
