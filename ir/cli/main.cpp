// pellwick-ir: see cli.h and the README's section on the tool.
#include <iostream>

#include "ir/cli/cli.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

// The arguments in UTF-8, whatever the code page, so that names and paths
// in any script reach the library's commands whole.
static std::vector<std::string> arguments()
{
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? static_cast<size_t>(n) : 1, '\0');
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &arg[0], n, nullptr, nullptr);
        arg.pop_back();
        args.push_back(arg);
    }
    LocalFree(wide);
    return args;
}

int main()
{
    return pellwickir::run(arguments(), std::cin, std::cout, std::cerr);
}
#else
int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return pellwickir::run(args, std::cin, std::cout, std::cerr);
}
#endif
