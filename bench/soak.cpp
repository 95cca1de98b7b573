// Rows 6 and 7: one Pellwick's footprint after start-up, then a soak of
// learns, hooked learns answered by injection, transmissions and About
// boxes, with the footprint after each phase compared with the one after
// start-up.
#include <atomic>
#include <cstdio>
#include <thread>

#include "bench.h"
#include "sim/client.h"
#include "sim/simctl.h"
#include "ui/ids.h"

namespace bench {

namespace {

struct Phase {
    std::string name;
    int count = 0;
    int failures = 0;
    double ms = 0;       // the operations alone, without the pauses for measuring
    Footprint warm;      // after the first operation
    Footprint half;      // after half of them
    Footprint after;     // after the last
    std::vector<std::string> problems;  // the first few, for the notes

    void fail(int index, const std::string& what)
    {
        ++failures;
        if (problems.size() < 3)
            problems.push_back(name + " " + std::to_string(index + 1) + ": " + what);
    }
};

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

struct Pellwick {
    e2e::App& app;
    HWND main, learn, status, box, inject, transmit;
    explicit Pellwick(e2e::App& a)
        : app(a), main(a.mainWindow()), learn(a.control(IDC_CBLEARNIRCODE)),
          status(a.control(IDC_LBLLRNSTATUS)), box(a.control(IDC_TBCURCODE)),
          inject(a.control(IDC_CBINJECTIR)), transmit(a.control(IDC_CBTRANSMITIRCODE))
    {
    }
    // The learn display is gone: status shown, Learn offered again.
    bool idle() const { return shown(status) && IsWindowEnabled(learn) != FALSE; }
    void holdShortCode()
    {
        if (e2e::windowText(box) != SHORT_CODE)
            app.typeCode(SHORT_CODE);
        poll([&] { return IsWindowEnabled(transmit) != FALSE; }, 3000);
    }
};

// Each kind of operation: a preparation, then one operation at a time.
void prepareOwnLearns(Pellwick&)
{
    simctl::setLearnMode(false);
    simctl::setLearnDuration(20);
}

void ownLearn(Pellwick& p, Phase& phase, int i)
{
    static const char* const REMOTES[] = {"nec1", "rc5", "rc6"};
    simctl::point(REMOTES[i % 3]);
    std::string expected = trimmed(simctl::snapshot().pointedCode);
    uint32_t before = simctl::snapshot().learnsStarted;
    PostMessageA(p.learn, BM_CLICK, 0, 0);
    if (!poll([&] { return simctl::snapshot().learnsStarted != before; }, 3000)) {
        phase.fail(i, "no learn started");
        return;
    }
    // Answered only once the click is over: the learn display is up by then.
    roundTrip(p.main, 5000);
    if (!poll([&] { return p.idle(); }, 5000)) {
        phase.fail(i, "the learn display did not end");
        return;
    }
    std::string got = trimmed(e2e::windowText(p.box));
    if (got != expected)
        phase.fail(i, "code box shows \"" + got.substr(0, 40) + "\"");
}

void prepareHookedLearns(Pellwick& p)
{
    simctl::setLearnMode(true);
    p.holdShortCode();
}

void hookedLearn(Pellwick& p, Phase& phase, int i)
{
    simclient::LearnOutcome outcome;
    std::thread requester([&] {
        simclient::LearnOptions options;
        options.timeoutMs = 10000;
        outcome = simclient::learn(options);
    });
    bool offered =
        poll([&] { return shown(p.inject) && IsWindowEnabled(p.inject) != FALSE; }, 5000);
    if (offered)
        PostMessageA(p.inject, BM_CLICK, 0, 0);
    requester.join();
    if (!offered)
        phase.fail(i, "Inject was not offered");
    else if (!outcome.ok)
        phase.fail(i, "the requester got no code: " + outcome.error);
    else if (outcome.code != SHORT_CODE)
        phase.fail(i, "the requester got \"" + outcome.code.substr(0, 40) + "\"");
    else if (!poll([&] { return p.idle(); }, 5000))
        phase.fail(i, "the learn display did not end");
    else if (!poll([&] { return simctl::snapshot().hookPid == p.app.pid(); }, 2000))
        phase.fail(i, "the hook was not armed again");
}

void prepareTransmissions(Pellwick& p)
{
    p.holdShortCode();
}

void transmission(Pellwick& p, Phase& phase, int i)
{
    if (clickTransmit(p.main, p.transmit) < 0)
        phase.fail(i, "the transmission did not come back");
    else if (!p.app.messageBoxes().empty())
        phase.fail(i, "message box \"" + p.app.messageBoxes().front().text + "\"");
}

void prepareAboutBoxes(Pellwick&) {}

void aboutBox(Pellwick& p, Phase& phase, int i)
{
    p.app.menu(IDM_HELPABOUT);
    HWND about = nullptr;
    if (!poll([&] { return (about = visibleWindow(p.app.pid(), "About Pellwick")) != nullptr; },
              5000)) {
        phase.fail(i, "the About box did not open");
        return;
    }
    PostMessageA(GetDlgItem(about, IDC_CMDOK), BM_CLICK, 0, 0);
    if (!poll([&] { return !IsWindow(about) && IsWindowEnabled(p.main); }, 5000))
        phase.fail(i, "the About box did not close");
}

std::string sizeText(long long bytes)
{
    if (bytes < 0)
        return "n/a";
    return kilobytes(static_cast<double>(bytes)) + " (" + std::to_string(bytes) + " bytes)";
}

#if defined(_WIN64)
long long fileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
#endif

std::string countDelta(const Count& now, const Count& start)
{
    if (!now.known() || !start.known())
        return "n/a";
    return signedCount(now.value - start.value);
}

std::string workingSetDelta(const Footprint& now, const Footprint& from)
{
    return now.ok && from.ok ? kilobytes(now.workingSet - from.workingSet) : "n/a";
}

std::string privateDelta(const Footprint& now, const Footprint& from)
{
    return now.ok && from.ok ? kilobytes(now.privateBytes - from.privateBytes) : "n/a";
}

std::string columns(const std::vector<std::string>& cells)
{
    static const int WIDTHS[] = {-14, 5, 7, 9, 6, 0, 9, 9, 4, 4, 0, 9, 4, 4, 0, 9, 4, 4};
    std::string line;
    size_t next = 0;
    for (int width : WIDTHS) {
        if (width == 0) {
            line += " |";
            continue;
        }
        const std::string& cell = next < cells.size() ? cells[next] : std::string();
        ++next;
        char text[64];
        std::snprintf(text, sizeof text, "%*s", width, cell.c_str());
        line += (line.empty() ? "" : " ") + std::string(text);
    }
    return line;
}

}  // namespace

void footprintAndSoakRows(Table& table, const Options& options)
{
    simctl::reset();
    e2e::App app(quietEnv());
    OrderlyExit exit(app);
    if (!app.mainWindow() || !simctl::waitForHook(app.pid(), 5000)) {
        table.section("6. Footprint / 7. Soak");
        table.note("Pellwick did not start with its learn hook armed");
        return;
    }
    Pellwick p(app);
    e2e::settle(1000);
    Footprint start = footprint(app.pid());

    struct Kind {
        const char* name;
        int count;
        void (*prepare)(Pellwick&);
        void (*run)(Pellwick&, Phase&, int);
    } kinds[] = {
        {"own learns", options.soak, prepareOwnLearns, ownLearn},
        {"hooked learns", options.soak, prepareHookedLearns, hookedLearn},
        {"transmissions", options.soak, prepareTransmissions, transmission},
        {"About boxes", options.soak > 0 && options.soak < 10 ? 1 : options.soak / 10,
         prepareAboutBoxes, aboutBox},
    };
    std::vector<Phase> phases;
    for (const Kind& kind : kinds) {
        progress("soak: %d %s", kind.count, kind.name);
        Phase phase;
        phase.name = kind.name;
        phase.count = kind.count;
        kind.prepare(p);
        for (int i = 0; i < kind.count; ++i) {
            double begin = nowMs();
            kind.run(p, phase, i);
            phase.ms += nowMs() - begin;
            // What the first operation leaves may be meant to stay (a window
            // kept for next time), and a cache may fill for a while; growth
            // that goes on over the second half is a leak.
            if (i == 0) {
                e2e::settle(500);
                phase.warm = footprint(app.pid());
            }
            if (i == kind.count / 2 - 1) {
                e2e::settle(500);
                phase.half = footprint(app.pid());
            }
        }
        e2e::settle(500);
        phase.after = kind.count ? footprint(app.pid()) : start;
        if (!kind.count)
            phase.warm = start;
        if (kind.count < 2)
            phase.half = phase.warm;
        phases.push_back(phase);
    }
    simctl::reset();
    const Footprint& end = phases.back().after;

    table.section("6. Footprint");
    table.row("pellwick.exe, 32-bit product build", sizeText(options.size32));
#if defined(_WIN64)
    table.row("pellwick.exe, 64-bit test build", sizeText(fileSize(e2e::binDir() + "pellwick.exe")));
#else
    table.note("no 64-bit build: this host runs the 32-bit product build itself");
#endif
    if (options.buildSeconds >= 0)
        table.row("build time", fixed(options.buildSeconds, 1) + " s", options.buildWhat);
    if (start.ok && end.ok) {
        table.row("working set after start-up", kilobytes(start.workingSet),
                  "private bytes " + kilobytes(start.privateBytes));
        table.row("working set after the soak", kilobytes(end.workingSet),
                  "private bytes " + kilobytes(end.privateBytes));
    } else {
        table.note("the memory figures could not be read");
    }
    auto counts = [&](const char* what, const Count& a, const Count& b) {
        table.row(std::string(what) + " after start-up / after the soak",
                  (a.known() ? std::to_string(a.value) : "n/a") + " / " +
                      (b.known() ? std::to_string(b.value) : "n/a"),
                  std::string("(") + describe(b.source) + ")");
    };
    counts("GDI objects", start.gdi, end.gdi);
    counts("USER objects", start.user, end.user);
    if (start.gdi.source != CountSource::GetGuiResources ||
        start.user.source != CountSource::GetGuiResources)
        table.note("GetGuiResources is not implemented here; GDI objects are the live entries of "
                   "the process's GDI handle table, USER objects its windows only.");

    table.section("7. Soak: " + std::to_string(options.soak) + " own learns (20 ms each), " +
                  std::to_string(options.soak) + " hooked learns answered by injection, " +
                  std::to_string(options.soak) + " transmissions, " +
                  std::to_string(phases.back().count) + " About boxes");
    table.note("Changes since start-up (\"start\": working set, private bytes, GDI, USER), over "
               "each phase after its first operation (\"after 1st\": what the first one loads "
               "may stay, a cache may fill), and over its second half (a leak keeps growing).");
    table.note(columns({"", "", "", "", "", "start:", "", "", "", "after 1st:", "", "",
                        "2nd half:"}));
    table.note(columns({"phase", "count", "time", "per op", "failed", "WS", "private", "GDI",
                        "USER", "private", "GDI", "USER", "private", "GDI", "USER"}));
    int failures = 0;
    bool grew = false;
    for (const Phase& phase : phases) {
        table.note(columns({phase.name, std::to_string(phase.count),
                            fixed(phase.ms / 1000.0, 1) + " s",
                            phase.count ? millis(phase.ms / phase.count) : "-",
                            std::to_string(phase.failures), workingSetDelta(phase.after, start),
                            privateDelta(phase.after, start),
                            countDelta(phase.after.gdi, start.gdi),
                            countDelta(phase.after.user, start.user),
                            privateDelta(phase.after, phase.warm),
                            countDelta(phase.after.gdi, phase.warm.gdi),
                            countDelta(phase.after.user, phase.warm.user),
                            privateDelta(phase.after, phase.half),
                            countDelta(phase.after.gdi, phase.half.gdi),
                            countDelta(phase.after.user, phase.half.user)}));
        failures += phase.failures;
        grew = grew || phase.after.gdi.value != phase.half.gdi.value ||
               phase.after.user.value != phase.half.user.value;
    }
    table.row("failed operations", std::to_string(failures), verdict(failures == 0));
    table.row("GDI / USER objects since start-up", countDelta(end.gdi, start.gdi) + " / " +
                                                       countDelta(end.user, start.user));
    table.row("GDI / USER growth over the 2nd halves", grew ? "yes" : "none",
              std::string("leak check   ") + verdict(!grew));
    double growth = 0;
    for (const Phase& phase : phases)
        if (phase.after.ok && phase.half.ok)
            growth += phase.after.privateBytes - phase.half.privateBytes;
    table.row("private bytes growth over the 2nd halves", kilobytes(growth),
              "summed over the phases (in whole pages)");
    for (const Phase& phase : phases)
        for (const std::string& problem : phase.problems)
            table.note("  " + problem);
}

}  // namespace bench
