// learnapp.exe: a second application that asks the Tavrix driver to learn,
// as any program that supports the device would.  It loads tavrixdrv.dll
// from its own folder, learns once and prints what it got:
//
//   learnapp [--timeout <ms>] [--abort-after <ms>] [--progress] [--dll <path>]
//
// Prints CODE "<C-escaped learnt text>" and exits 0, or ERROR <why> and exits 1.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/client.h"
#include "sim/simtext.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: learnapp [--timeout <ms>] [--abort-after <ms>] [--progress] [--dll <path>]\n");
    return 2;
}

bool numberArgument(int argc, char** argv, int* i, int* value)
{
    int64_t v = 0;
    if (*i + 1 >= argc || !simtext::parseNumber(argv[*i + 1], &v) || v < 0 || v > 0x7FFFFFFF)
        return false;
    *value = static_cast<int>(v);
    ++*i;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    simclient::LearnOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0) {
            if (!numberArgument(argc, argv, &i, &options.timeoutMs))
                return usage();
        } else if (std::strcmp(argv[i], "--abort-after") == 0) {
            if (!numberArgument(argc, argv, &i, &options.abortAfterMs))
                return usage();
        } else if (std::strcmp(argv[i], "--progress") == 0) {
            options.showProgress = true;
        } else if (std::strcmp(argv[i], "--dll") == 0 && i + 1 < argc) {
            options.library = argv[++i];
        } else {
            return usage();
        }
    }
    simclient::LearnOutcome outcome = simclient::learn(options);
    if (!outcome.ok) {
        std::printf("ERROR %s\n", outcome.error.c_str());
        std::fflush(stdout);
        return 1;
    }
    std::printf("CODE \"%s\"\n", simtext::escape(outcome.code).c_str());
    std::fflush(stdout);
    return 0;
}
