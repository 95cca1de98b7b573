// tavrixctl.exe: the simulated device's outside world.  See sim/README.md
// for the commands; all but `learn` and `driver` act on the shared device
// state through simctl.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/client.h"
#include "sim/shared.h"
#include "sim/simctl.h"
#include "sim/simtext.h"

namespace {

const char USAGE[] =
    "usage: tavrixctl <command> [args]\n"
    "  press <code>                 every receive callback gets <code>\n"
    "  press-raw <escaped bytes>    the same, exact bytes and no NUL after them\n"
    "  point <nec1|rc5|rc6|remote|Pronto hex>   what later learns see\n"
    "  point PROTOCOL NAME=VALUE... a protocol code made by pellwick-ir's core: point NEC1 D=4 F=8\n"
    "  learn-duration <ms>          how long a learn takes (default 2000)\n"
    "  learn-mode auto|manual       manual: learns move only by progress and finish\n"
    "  finish                       end the running learn with its code\n"
    "  aim <code as point takes it> the running learns learn this code, complete soon after\n"
    "  progress <p> <q> <hz> [pid]  one progress report (hook holder by default)\n"
    "  txfail on|off                later transmissions fail\n"
    "  learn-error <n>|off          every learn call leaves last error <n> (off: each program's own)\n"
    "  flood <per second> <seconds> received codes from the driver threads; prints the last\n"
    "  learn [--timeout <ms>] [--abort-after <ms>] [--progress]   learn as another application\n"
    "  menus <pid>                  the menus of process <pid>'s windows\n"
    "  layout <pid>                 process <pid>'s windows and controls: places, texts, fonts\n"
    "  pointer <pid>                the mouse pointer on screen, read in process <pid>\n"
    "  driver [dll path]            what a program sees at start: versions, open, device info\n"
    "  status                       the device state\n"
    "  reset                        back to the defaults\n";

bool changesSettings(const std::string& command)
{
    return command == "point" || command == "learn-duration" || command == "learn-mode" || command == "txfail" ||
           command == "learn-error";
}

int learnCommand(const std::vector<std::string>& words)
{
    simclient::LearnOptions options;
    for (size_t i = 1; i < words.size(); ++i) {
        int64_t v = 0;
        if (words[i] == "--progress") {
            options.showProgress = true;
        } else if ((words[i] == "--timeout" || words[i] == "--abort-after") && i + 1 < words.size() &&
                   simtext::parseNumber(words[i + 1], &v) && v >= 0 && v <= 0x7FFFFFFF) {
            (words[i] == "--timeout" ? options.timeoutMs : options.abortAfterMs) = static_cast<int>(v);
            ++i;
        } else {
            std::fputs(USAGE, stderr);
            return 2;
        }
    }
    simclient::LearnOutcome outcome = simclient::learn(options);
    if (!outcome.ok) {
        std::printf("ERROR %s\n", outcome.error.c_str());
        return 1;
    }
    std::printf("CODE \"%s\"\n", simtext::escape(outcome.code).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "help" || words[0] == "--help" || words[0] == "-h") {
        std::fputs(USAGE, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    if (words[0] == "learn")
        return learnCommand(words);
    if (words[0] == "driver") {
        if (words.size() > 2) {
            std::fputs(USAGE, stderr);
            return 2;
        }
        bool ok = false;
        std::string out = simclient::probeDriver(words.size() == 2 ? words[1] : std::string(), &ok);
        std::fputs(out.c_str(), ok ? stdout : stderr);
        return ok ? 0 : 1;
    }
    std::string output;
    bool ok = simctl::runCommand(words, &output);
    std::fputs(output.c_str(), stdout);
    if (!ok) {
        std::fprintf(stderr, "tavrixctl: %s\n", simctl::lastError().c_str());
        return 1;
    }
    if (changesSettings(words[0]) && sim::Device::instance().createdHere())
        std::fprintf(stderr,
                     "tavrixctl: note: no program has the device open; the device forgets this setting "
                     "when tavrixctl exits (use TAVRIXSIM_SCRIPT to set it at a program's start)\n");
    return 0;
}
