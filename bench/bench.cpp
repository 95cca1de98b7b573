// pellwick_bench.exe: Pellwick's speed and footprint, measured from outside
// on the simulated device, each figure beside its baseline or target from
// the same run. scripts/bench.sh builds it and runs it under Wine.
//
//   pellwick_bench [--quick] [--soak N] [--rows 123456710] [--size32 BYTES]
//                  [--build-seconds S --build-what TEXT]
// --quick measures fewer times (soak 50 unless --soak says otherwise);
// --rows picks rows by number.
#include "bench.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/pronto.h"
#include "sim/simctl.h"

namespace bench {

const char* const SHORT_CODE = "0000 006D 0001 0000 0010 0020";

// ---------------------------------------------------------------------------
// Table and progress.

void Table::section(const std::string& title)
{
    lines_.push_back("");
    lines_.push_back(title);
}

void Table::row(const std::string& label, const std::string& figure, const std::string& beside)
{
    char line[512];
    std::snprintf(line, sizeof line, "   %-46s %-24s %s", label.c_str(), figure.c_str(),
                  beside.c_str());
    std::string text = line;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    lines_.push_back(text);
}

void Table::note(const std::string& text)
{
    lines_.push_back("   " + text);
}

void Table::print() const
{
    for (const std::string& line : lines_)
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void progress(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::printf("... ");
    std::vprintf(format, args);
    std::printf("\n");
    va_end(args);
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------
// Shared helpers.

bool Driver::load()
{
    HMODULE module = LoadLibraryA((e2e::binDir() + "tavrixdrv.dll").c_str());
    if (!module)
        return false;
#define BENCH_DRIVER_BIND(result, name, parameters)                                              \
    name = reinterpret_cast<decltype(name)>(reinterpret_cast<void*>(GetProcAddress(module, #name)));
    TAVRIX_FUNCTIONS(BENCH_DRIVER_BIND)
#undef BENCH_DRIVER_BIND
    return TavrixOpen && TavrixClose && TavrixSetReceiveCallback && TavrixTransmitIR &&
           TavrixConvertProntoCode;
}

Driver& driver()
{
    static Driver loaded;
    return loaded;
}

e2e::Env quietEnv()
{
    return e2e::Env{{"TAVRIXSIM_LOG", ""}};
}

OrderlyExit::~OrderlyExit()
{
    if (!app_.running())
        return;
    if (HWND main = visibleWindow(app_.pid(), "Tavrix Pellwick Utility"))
        PostMessageA(main, WM_CLOSE, 0, 0);
    app_.waitExit(10000);
}

double airTimeMs(const std::string& code)
{
    pronto::Code parsed;
    if (!pronto::parse(code.data(), code.size(), &parsed))
        return 0;
    return pronto::durationMicros(parsed) / 1000.0;
}

// ---------------------------------------------------------------------------
// 1. Start-up.

namespace {

struct Start {
    double ms = 0;
    bool ok = false;
};

// Starts exe and waits for its visible window titled title; then closes it.
Start timedStart(const std::string& exe, const std::string& title)
{
    Start start;
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    double t0 = nowMs();
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return start;
    CloseHandle(info.hThread);
    HWND window = nullptr;
    for (;;) {
        window = visibleWindow(info.dwProcessId, title);
        double elapsed = nowMs() - t0;
        if (window) {
            start.ms = elapsed;
            start.ok = true;
            break;
        }
        if (elapsed > 15000 || WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    return start;
}

}  // namespace

void startupRow(Table& table, const Options& options)
{
    progress("start-up: %d runs of each program, alternating", options.startRuns);
    const std::string pellwick = e2e::binDir() + "pellwick.exe";
    const std::string empty = e2e::binDir() + "empty_win32.exe";
    const std::string emptyCc6 = e2e::binDir() + "empty_cc6.exe";
    const std::string PELLWICK_TITLE = "Tavrix Pellwick Utility";
    const std::string EMPTY_TITLE = "Empty Win32 Baseline";
    // One unmeasured start of each first, so that all come from a warm cache.
    timedStart(empty, EMPTY_TITLE);
    timedStart(emptyCc6, EMPTY_TITLE);
    timedStart(pellwick, PELLWICK_TITLE);
    Samples ours, baseline, baselineCc6;
    int failed = 0;
    for (int i = 0; i < options.startRuns; ++i) {
        Start b = timedStart(empty, EMPTY_TITLE);
        Start c = timedStart(emptyCc6, EMPTY_TITLE);
        Start p = timedStart(pellwick, PELLWICK_TITLE);
        if (b.ok)
            baseline.add(b.ms);
        if (c.ok)
            baselineCc6.add(c.ms);
        if (p.ok)
            ours.add(p.ms);
        failed += !b.ok + !c.ok + !p.ok;
    }
    double beyond = ours.median() - baseline.median();
    table.section("1. Start-up: process start -> visible main window \"Tavrix Pellwick Utility\" "
                  "(median of " + std::to_string(options.startRuns) + " runs each, alternating)");
    table.row("pellwick.exe", millis(ours.median()),
              "min " + millis(ours.min()) + ", max " + millis(ours.max()));
    table.row("empty Win32 program (baseline, same way)", millis(baseline.median()),
              "min " + millis(baseline.min()) + ", max " + millis(baseline.max()));
    table.row("empty program, one button, Common Controls 6", millis(baselineCc6.median()),
              "min " + millis(baselineCc6.min()) + ", max " + millis(baselineCc6.max()) +
                  " (a manifest like Pellwick's)");
    table.row("Pellwick beyond the baseline", millis(beyond),
              std::string("target < 50 ms   ") + verdict(beyond < 50 && failed == 0));
    table.row("Pellwick beyond the Common Controls 6 one", millis(ours.median() - baselineCc6.median()),
              "(what Pellwick adds to any program with visual styles)");
    if (failed)
        table.note("starts that showed no window within 15 s: " + std::to_string(failed));
}

}  // namespace bench

// ---------------------------------------------------------------------------

namespace {

void usage()
{
    std::printf("usage: pellwick_bench [--quick] [--soak N] [--rows 1234567] [--size32 BYTES] "
                "[--build-seconds S --build-what TEXT]\n");
}

std::string wineVersion()
{
    typedef const char*(__cdecl * VersionFunction)();
    auto version = reinterpret_cast<VersionFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return version ? std::string("Wine ") + version() : std::string("Windows");
}

// The benchmark decides the driver's settings of every program it starts.
void clearDriverSettings()
{
    static const char* const NAMES[] = {"TAVRIXSIM_LOG",     "TAVRIXSIM_DRVINFO",
                                        "TAVRIXSIM_LIBVERSION", "TAVRIXSIM_OPEN_ERROR",
                                        "TAVRIXSIM_INFO",    "TAVRIXSIM_LEARN_ERROR",
                                        "TAVRIXSIM_SCRIPT",  "TAVRIXSIM_HOSTILE"};
    for (const char* name : NAMES)
        SetEnvironmentVariableA(name, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace bench;
    Options options;
    bool soakGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--soak" && hasValue) {
            options.soak = std::atoi(argv[++i]);
            soakGiven = true;
        } else if (arg == "--rows" && hasValue) {
            options.rows = argv[++i];
            // Row 10 is "10" among the digits (there is no row 0).
            size_t ten = options.rows.find("10");
            options.library = ten != std::string::npos;
            if (options.library)
                options.rows.erase(ten, 2);
        } else if (arg == "--size32" && hasValue) {
            options.size32 = std::atoll(argv[++i]);
        } else if (arg == "--build-seconds" && hasValue) {
            options.buildSeconds = std::atof(argv[++i]);
        } else if (arg == "--build-what" && hasValue) {
            options.buildWhat = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (options.quick) {
        options.startRuns = 5;
        options.relayCodes = 300;
        if (!soakGiven)
            options.soak = 50;
    }
    if (options.soak < 0) {
        usage();
        return 2;
    }

    clearDriverSettings();
    if (!driver().load()) {
        std::printf("cannot load %stavrixdrv.dll\n", e2e::binDir().c_str());
        return 1;
    }
    simctl::reset();

    SYSTEM_INFO system;
    GetSystemInfo(&system);
    double started = nowMs();
    Table table;
    table.note(std::string("Pellwick benchmark: ") + (sizeof(void*) == 8 ? "64" : "32") +
               "-bit build under " + wineVersion() + ", simulated Tavrix, " +
               std::to_string(system.dwNumberOfProcessors) + " CPUs" +
               (options.quick ? ", quick run" : ", full run"));
    table.note("All times are wall-clock times from the performance counter; programs run "
               "without the driver's call log.");

    if (options.wants('1'))
        startupRow(table, options);
    if (options.wants('2'))
        relayRow(table, options);
    if (options.wants('3'))
        floodRow(table, options);
    if (options.wants('4'))
        typingRow(table, options);
    if (options.wants('5'))
        transmitRow(table, options);
    if (options.wants('6') || options.wants('7'))
        footprintAndSoakRows(table, options);
    if (options.library)
        libraryRow(table, options);
    simctl::reset();

    table.section("Benchmark run");
    table.row("time of this run", fixed((nowMs() - started) / 1000.0, 1) + " s");
    table.print();
    return 0;
}
