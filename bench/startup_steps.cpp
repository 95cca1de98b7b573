// 9. Start-up step by step: where the time from process start to the
// visible main window goes, each step beside the whole.
//
// Seen from outside: the benchmark notes when it starts a process and when
// its main window is visible; the simulated driver notes when each of its
// calls began and ended (TAVRIXSIM_TIMES, kept in memory and written when the
// program closes the device). The steps inside the programs come from marks
// that they write to the standard output the benchmark gives them, at the
// end of their first paint: pellwick_marked.exe is Pellwick built with
// app/startmarks.h switched on (never shipped), the baseline empty_cc6.exe
// marks its few steps itself.
#include <cstdlib>
#include <initializer_list>
#include <fstream>
#include <sstream>

#include "bench.h"

namespace bench {

namespace {

const char PELLWICK_TITLE[] = "Tavrix Pellwick Utility";
const char EMPTY_TITLE[] = "Empty Win32 Baseline";
const char LIBRARY_STEP[] = "driver library loaded";  // LoadLibrary: the driver's own code and size
const char SEEN_STEP[] = "seen visible by the benchmark";

struct Stamp {
    double ms;
    std::string what;
};

// One start; every time is on the performance counter, in ms.
struct Start {
    bool ok = false;
    double startMs = 0, visibleMs = 0;
    std::vector<Stamp> marks;  // the program's, ending the step each names
    std::vector<std::pair<double, double>> calls;  // the driver's calls begun before the window showed
    double whole() const { return visibleMs - startMs; }
    double callsMs() const
    {
        double sum = 0;
        for (const auto& c : calls)
            sum += c.second - c.first;
        return sum;
    }
};

std::vector<Stamp> readMarks(const std::string& text)
{
    std::vector<Stamp> marks;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t space = line.find(' ');
        if (space != std::string::npos)
            marks.push_back(Stamp{std::atof(line.c_str()), line.substr(space + 1)});
    }
    return marks;
}

// The driver's times: "load <ms>", then "<Function> <begin> <end>" a call.
void readDriverTimes(const std::string& path, Start* start)
{
    std::ifstream file(path);
    std::string function;
    double begin = 0, end = 0;
    while (file >> function >> begin) {
        if (function == "load")
            continue;
        if (!(file >> end))
            break;
        if (begin < start->visibleMs)
            start->calls.emplace_back(begin, end);
    }
}

// What the pipe holds now: the marks were written before the benchmark
// closed the window, and a helper process of Wine's that inherited the pipe
// may keep it open, so the benchmark never waits for its end.
std::string drain(HANDLE pipe)
{
    std::string text;
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        std::vector<char> buffer(available);
        DWORD got = 0;
        if (!ReadFile(pipe, buffer.data(), available, &got, nullptr) || got == 0)
            break;
        text.append(buffer.data(), got);
    }
    return text;
}

// Starts exe with its standard output on a pipe (and the driver's times in
// timesPath, unless empty), waits for its visible window titled title,
// closes it, and reads what the program and the driver noted.
Start timedStart(const std::string& exe, const char* title, const std::string& timesPath)
{
    Start start;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16))
        return start;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    if (!timesPath.empty())
        SetEnvironmentVariableA("TAVRIXSIM_TIMES", timesPath.c_str());
    std::string commandLine = "\"" + exe + "\"";
    PROCESS_INFORMATION info = {};
    start.startMs = nowMs();
    BOOL created =
        CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    SetEnvironmentVariableA("TAVRIXSIM_TIMES", nullptr);
    CloseHandle(writeEnd);
    if (created) {
        CloseHandle(info.hThread);
        HWND window = nullptr;
        poll([&] {
            return (window = visibleWindow(info.dwProcessId, title)) != nullptr ||
                   WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
        }, 15000);
        start.visibleMs = nowMs();
        start.ok = window != nullptr;
        if (window)
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hProcess);
    }
    start.marks = readMarks(drain(readEnd));
    CloseHandle(readEnd);
    if (!timesPath.empty()) {
        readDriverTimes(timesPath, &start);
        DeleteFileA(timesPath.c_str());
    }
    return start;
}

// One start's steps: each mark ends the step it names, which began at the
// mark before (the first at the process start); marks of one name add up
// (the bars are made among the other controls). The moment the benchmark saw
// the window ends a step of its own. A driver call counts in the step it
// began in; the library's loading is the driver's whole.
struct StepTime {
    std::string name;
    double ms, driverMs;
};
std::vector<StepTime> stepsOf(const Start& s)
{
    std::vector<Stamp> marks = s.marks;
    size_t at = 0;
    while (at < marks.size() && marks[at].ms < s.visibleMs)
        ++at;
    marks.insert(marks.begin() + static_cast<std::ptrdiff_t>(at), Stamp{s.visibleMs, SEEN_STEP});
    std::vector<StepTime> steps;
    double before = s.startMs;
    for (const Stamp& m : marks) {
        double driver = 0;
        for (const auto& call : s.calls)
            if (call.first >= before && call.first < m.ms)
                driver += call.second - call.first;
        if (m.what == LIBRARY_STEP)
            driver = m.ms - before;
        size_t i = 0;
        while (i < steps.size() && steps[i].name != m.what)
            ++i;
        if (i == steps.size())
            steps.push_back(StepTime{m.what, 0, 0});
        steps[i].ms += m.ms - before;
        steps[i].driverMs += driver;
        before = m.ms;
    }
    return steps;
}

// The named steps of one start added up, without the driver's time in them.
double sumOf(const std::vector<StepTime>& steps, std::initializer_list<const char*> names)
{
    double sum = 0;
    for (const char* name : names)
        for (const StepTime& s : steps)
            if (s.name == name)
                sum += s.ms - s.driverMs;
    return sum;
}

// A step over the starts: its time, and the driver's own time in it.
struct Step {
    std::string name;
    Samples ms, driverMs;
};
void addSteps(const std::vector<StepTime>& times, std::vector<Step>* steps)
{
    for (const StepTime& t : times) {
        size_t i = 0;
        while (i < steps->size() && (*steps)[i].name != t.name)
            ++i;
        if (i == steps->size())
            steps->push_back(Step{t.name, Samples(), Samples()});
        (*steps)[i].ms.add(t.ms);
        (*steps)[i].driverMs.add(t.driverMs);
    }
}

double medianOf(const std::vector<Step>& steps, const char* name)
{
    for (const Step& s : steps)
        if (s.name == name)
            return s.ms.median();
    return 0;
}

// Each step beside the whole: its median, its share of the whole's median,
// its least time (a busy host stretches the median) and the driver's own
// time in it.
void printSteps(Table& table, const std::vector<Step>& steps, double whole)
{
    for (const Step& s : steps) {
        double driver = s.driverMs.median();
        std::string share = whole > 0 ? fixed(100.0 * s.ms.median() / whole, 1) + " %" : std::string("-");
        table.row("  " + s.name, millis(s.ms.median()),
                  share + " of the whole, min " + millis(s.ms.min()) +
                      (driver >= 0.001 ? ", driver " + millis(driver) : std::string()));
    }
}

// What Pellwick's own share pays for, beside what the baseline pays for the
// same: every part but the load handler's own work is the process, or a
// window that the baseline has too, or one whose class, style, parent and
// controls the program's layout and start-up fix.
struct Part {
    const char* label;
    const char* why;
    std::vector<const char*> pellwick, baseline;  // steps
    Samples beyond, pellwickMs, baselineMs;
};
std::vector<Part> parts()
{
    std::vector<Part> list = {
        {"process start to WinMain", "the loader, the C++ runtime; Wine's process start", {"WinMain"}, {"WinMain"},
         {}, {}, {}},
        {"classes, icons, menu, main window", "Wine measures the menu bar's text before the window shows",
         {"window classes and icons", "menu", "main window", "fonts"}, {"window class", "main window"}, {}, {}, {}},
        {"first control", "Wine loads Common Controls 6 and its theme", {"first control"}, {"button"}, {}, {}, {}},
        {"20 more controls", "Wine's: each window is several trips to its server", {"controls", "bars"}, {}, {}, {},
         {}},
        {"the relay window", "Wine's: an X window for every top-level window, placed as an icon (minimized)",
         {"relay window"}, {}, {}, {}, {}},
        {"the load handler's own work", "captions, the code box check, binding, the checks around the calls",
         {"before the driver library", "driver functions bound", "TavrixGetDrvInfo", "TavrixGetDrvVersion",
          "TavrixOpen", "TavrixSetReceiveCallback", "hook armed", "idle state", "device information",
          "code box check"},
         {}, {}, {}, {}},
        {"showing, until the window is visible", "ShowWindow until it sets WS_VISIBLE", {SEEN_STEP}, {SEEN_STEP},
         {}, {}, {}},
    };
    return list;
}

double sumOf(const std::vector<StepTime>& steps, const std::vector<const char*>& names)
{
    double sum = 0;
    for (const char* name : names)
        sum += sumOf(steps, {name});
    return sum;
}

void addParts(const std::vector<StepTime>& pellwick, const std::vector<StepTime>& baseline, std::vector<Part>* list)
{
    for (Part& part : *list) {
        double p = sumOf(pellwick, part.pellwick), b = sumOf(baseline, part.baseline);
        part.beyond.add(p - b);
        part.pellwickMs.add(p);
        part.baselineMs.add(b);
    }
}

}  // namespace

void startupStepsRow(Table& table, const Options& options)
{
    // Twice row 1's runs: a step's median needs more of them than a whole.
    const int runs = 2 * options.startRuns;
    progress("start-up step by step: %d runs of each program, alternating", runs);
    const std::string pellwick = e2e::binDir() + "pellwick.exe";
    const std::string marked = e2e::binDir() + "pellwick_marked.exe";
    const std::string baselineExe = e2e::binDir() + "empty_cc6.exe";
    const std::string timesPath = e2e::makeTempDir("times") + "driver-times.txt";
    // One unmeasured start of each first, so that all come from a warm cache.
    timedStart(baselineExe, EMPTY_TITLE, "");
    timedStart(pellwick, PELLWICK_TITLE, timesPath);
    timedStart(marked, PELLWICK_TITLE, timesPath);

    // Beyond the baseline, run by run: the two starts of one round share the
    // host's load of the moment.
    Samples baseline, whole, wholeMarked, driverCalls, beyond, beyondLessCalls;
    std::vector<Step> baselineSteps, steps;
    std::vector<Part> own = parts();
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        Start b = timedStart(baselineExe, EMPTY_TITLE, "");
        Start p = timedStart(pellwick, PELLWICK_TITLE, timesPath);
        Start m = timedStart(marked, PELLWICK_TITLE, timesPath);
        failed += !b.ok + !p.ok + !m.ok + (m.ok && m.marks.empty()) + (b.ok && b.marks.empty());
        std::vector<StepTime> bSteps = stepsOf(b), mSteps = stepsOf(m);
        if (b.ok && !b.marks.empty()) {
            baseline.add(b.whole());
            addSteps(bSteps, &baselineSteps);
        }
        if (p.ok) {
            whole.add(p.whole());
            driverCalls.add(p.callsMs());
        }
        if (p.ok && b.ok && !b.marks.empty()) {
            beyond.add(p.whole() - b.whole());
            beyondLessCalls.add(p.whole() - b.whole() - p.callsMs());
        }
        if (m.ok && !m.marks.empty()) {
            wholeMarked.add(m.whole());
            addSteps(mSteps, &steps);
        }
        if (m.ok && !m.marks.empty() && b.ok && !b.marks.empty())
            addParts(mSteps, bSteps, &own);
    }

    // The driver's share of pellwick.exe's start: loading its library (seen
    // in the marked build: LoadLibrary maps the driver's code and runs its
    // initialisation) and the time inside its calls.
    double library = medianOf(steps, LIBRARY_STEP);
    double driverShare = library + driverCalls.median();
    double ownShare = beyondLessCalls.median() - library;

    table.section("9. Start-up step by step: process start -> visible main window (median of " +
                  std::to_string(runs) + " runs each, alternating)");
    table.row("pellwick.exe", millis(whole.median()), "min " + millis(whole.min()) + ", max " + millis(whole.max()));
    table.row("pellwick_marked.exe", millis(wholeMarked.median()), "the same program with the marks below");
    table.row("empty program, one button, Common Controls 6", millis(baseline.median()), "the baseline of row 1");
    table.note("The baseline's steps (each ends where the program marked it):");
    printSteps(table, baselineSteps, baseline.median());
    table.note("Pellwick's steps (pellwick_marked.exe; driver: the simulated driver's own time in the step):");
    printSteps(table, steps, wholeMarked.median());
    table.row("simulated driver's share of pellwick.exe", millis(driverShare),
              "library " + millis(library) + " + calls " + millis(driverCalls.median()) +
                  " before the window showed, timed by the driver");
    table.row("Pellwick beyond the baseline", millis(beyond.median()), "run by run, the median");
    table.row("Pellwick's own beyond the baseline", millis(ownShare),
              "less the driver's share; target < 20 ms   " + std::string(verdict(ownShare < 20 && failed == 0)));
    table.note("Pellwick's own share by what it pays for, beyond the baseline's same steps: the median run by run, "
               "and (quiet) the least time of each less the baseline's least, what a quiet host comes near:");
    double quiet = 0;
    for (const Part& part : own) {
        double least = part.pellwickMs.min() - part.baselineMs.min();
        quiet += least;
        table.row(std::string("  ") + part.label, millis(part.beyond.median()),
                  "quiet " + millis(least) + "   " + part.why);
    }
    table.row("  all of them, quiet", millis(quiet), "");
    if (failed)
        table.note("starts that showed no window within 15 s, or wrote no marks: " + std::to_string(failed));
}

}  // namespace bench
