// Rows 2 and 3: received codes. How long a code takes from the driver's
// receive callback to the label, and whether the window stays responsive
// and right under a flood of codes.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "bench.h"
#include "sim/simctl.h"
#include "ui/ids.h"

namespace bench {

namespace {

// The benchmark's own receive callback: it is called by this process's
// driver thread for the same press that Pellwick's driver thread delivers,
// and stands in for the moment Pellwick's callback runs.
char expectedCode[32];
std::atomic<double> callbackAt(0.0);

void TAVRIX_API benchReceive(const char* text, int32_t)
{
    double at = nowMs();
    if (text && std::strncmp(text, expectedCode, sizeof expectedCode) == 0)
        callbackAt.store(at);
}

}  // namespace

void relayRow(Table& table, const Options& options)
{
    progress("relay latency: %d received codes", options.relayCodes);
    table.section("2. Relay latency: driver receive callback -> code shown by label 111 "
                  "(lblTavroCode), " + std::to_string(options.relayCodes) + " codes");
    simctl::reset();
    e2e::App app(quietEnv());
    OrderlyExit exit(app);
    HWND main = app.mainWindow();
    if (!main) {
        table.note("Pellwick showed no main window");
        return;
    }
    HWND label = GetDlgItem(main, IDC_LBLTAVROCODE);
    Driver& drv = driver();
    TavrixHandle handle = drv.TavrixOpen();
    drv.TavrixSetReceiveCallback(handle, benchReceive, 0);
    e2e::settle(300);

    // The measuring loop's own cost: the same poll on a label that does not change.
    Samples pollTrip;
    for (int i = 0; i < 1000; ++i) {
        double start = nowMs();
        textOf(label);
        pollTrip.add(nowMs() - start);
    }

    Samples toLabel, toCallback, relay;
    int missing = 0, callbackMissing = 0;
    for (int i = 0; i < options.relayCodes; ++i) {
        std::snprintf(expectedCode, sizeof expectedCode, "RL%010X", static_cast<unsigned>(i + 1));
        callbackAt.store(0.0);
        double pressed = nowMs();
        simctl::press(expectedCode);
        double seen = 0;
        for (;;) {
            std::string text = textOf(label);
            double now = nowMs();
            if (text == expectedCode) {
                seen = now;
                break;
            }
            if (now - pressed > 2000)
                break;
        }
        // This process's callback may come after Pellwick's label changed.
        poll([] { return callbackAt.load() != 0.0; }, 1000);
        double callback = callbackAt.load();
        if (seen == 0)
            ++missing;
        if (callback == 0)
            ++callbackMissing;
        if (seen != 0 && callback != 0) {
            toLabel.add(seen - pressed);
            toCallback.add(callback - pressed);
            relay.add(seen - callback);
        }
        Sleep(2);  // the label repaints; the next code comes to an idle program
    }
    drv.TavrixClose(handle);

    table.note("Measured from outside: the benchmark presses a button (simctl::press) and polls "
               "the label with WM_GETTEXT until it shows the code.");
    table.note("The driver delivers the same press to the benchmark's own receive callback; its "
               "time stands for Pellwick's callback.");
    table.row("press -> label shows the code", "median " + millis(toLabel.median()),
              "p99 " + millis(toLabel.percentile(99)) + ", max " + millis(toLabel.max()));
    table.row("press -> receive callback (benchmark's own)",
              "median " + millis(toCallback.median()),
              "p99 " + millis(toCallback.percentile(99)) + ", max " + millis(toCallback.max()));
    table.row("relay: callback -> label, per code", "median " + millis(relay.median()),
              "p99 " + millis(relay.percentile(99)) + "   target median < 1 ms   " +
                  verdict(relay.median() < 1.0 && missing == 0));
    table.row("poll round trip, unchanged label (overhead)", "median " + millis(pollTrip.median()),
              "p99 " + millis(pollTrip.percentile(99)) +
                  "; the relay figures include up to one such round trip");
    if (missing || callbackMissing)
        table.note("codes never shown: " + std::to_string(missing) +
                   "; codes the benchmark's callback never saw: " + std::to_string(callbackMissing));
}

namespace {

struct FloodRun {
    std::string last;      // the last code the driver sent, as simctl::flood reports it
    std::string error;     // why simctl::flood reported nothing
    std::string expected;  // the last code of the flood: they are numbered from 1
    double ms = 0;         // how long simctl::flood took
    Samples answers;   // WM_NULL round trips while flooded
    int timeouts = 0;
    int labelChanges = 0;
    bool lastShown = false;
    double lastLag = 0;  // from the flood's end to the last code on the label
};

FloodRun flood(HWND main, HWND label, int perSecond, int seconds)
{
    FloodRun run;
    char expected[16];
    std::snprintf(expected, sizeof expected, "F1%010X",
                  static_cast<unsigned>(perSecond) * static_cast<unsigned>(seconds));
    run.expected = expected;
    std::atomic<bool> done(false);
    std::thread flooding([&] {
        run.last = simctl::flood(perSecond, seconds);
        if (run.last.empty())
            run.error = simctl::lastError();
        done.store(true);
    });
    std::string previous = textOf(label);
    double start = nowMs();
    while (!done.load()) {
        double sent = nowMs();
        if (!roundTrip(main, 5000))
            ++run.timeouts;
        run.answers.add(nowMs() - sent);
        std::string text = textOf(label, 5000);
        if (text != previous)
            ++run.labelChanges;
        previous = text;
        Sleep(5);
    }
    run.ms = nowMs() - start;
    flooding.join();
    double ended = nowMs();
    // Without the driver's answer the flood may still be running: wait longer.
    run.lastShown = poll([&] { return textOf(label) == run.expected; },
                         run.last.empty() ? 20000 : 3000);
    run.lastLag = nowMs() - ended;
    return run;
}

void footprintChange(Table& table, const char* what, const Footprint& a, const Footprint& b)
{
    std::string name = what;
    if (a.ok && b.ok) {
        table.row("working set " + name, kilobytes(b.workingSet - a.workingSet),
                  kilobytes(a.workingSet) + " -> " + kilobytes(b.workingSet) + "; private bytes " +
                      kilobytes(a.privateBytes) + " -> " + kilobytes(b.privateBytes));
    }
    if (a.gdi.known() && b.gdi.known() && a.user.known() && b.user.known()) {
        bool same = a.gdi.value == b.gdi.value && a.user.value == b.user.value;
        table.row("GDI / USER objects " + name,
                  signedCount(b.gdi.value - a.gdi.value) + " / " +
                      signedCount(b.user.value - a.user.value),
                  std::to_string(a.gdi.value) + " -> " + std::to_string(b.gdi.value) + " / " +
                      std::to_string(a.user.value) + " -> " + std::to_string(b.user.value) +
                      "   " + verdict(same));
    }
}

}  // namespace

void floodRow(Table& table, const Options& options)
{
    const int PER_SECOND = 10000;
    progress("flood: %d codes a second for %d s, twice", PER_SECOND, options.floodSeconds);
    table.section("3. Received-code flood: " + std::to_string(PER_SECOND) + " codes a second for " +
                  std::to_string(options.floodSeconds) + " s (simctl::flood), twice in a row");
    simctl::reset();
    e2e::App app(quietEnv());
    OrderlyExit exit(app);
    HWND main = app.mainWindow();
    if (!main) {
        table.note("Pellwick showed no main window");
        return;
    }
    HWND label = GetDlgItem(main, IDC_LBLTAVROCODE);
    e2e::settle(1000);
    Footprint before = footprint(app.pid());
    FloodRun runs[2];
    Footprint after[2];
    for (int i = 0; i < 2; ++i) {
        runs[i] = flood(main, label, PER_SECOND, options.floodSeconds);
        e2e::settle(1500);
        after[i] = footprint(app.pid());
    }

    for (int i = 0; i < 2; ++i) {
        const FloodRun& run = runs[i];
        std::string n = i == 0 ? "1st" : "2nd";
        uint64_t sent = floodNumber(run.last);
        if (run.last.empty())
            table.row(n + " flood: codes the driver sent", "?",
                      "simctl::flood gave no answer after " + fixed(run.ms / 1000.0, 1) +
                          " s: " + run.error);
        else
            table.row(n + " flood: codes the driver sent", std::to_string(sent),
                      "in " + fixed(run.ms / 1000.0, 1) + " s, " +
                          std::to_string(static_cast<long long>(sent * 1000.0 / run.ms)) +
                          " a second (the simulated driver's pace); last \"" + run.last + "\"");
        table.row(n + " flood: WM_NULL answered within", "max " + millis(run.answers.max()),
                  "median " + millis(run.answers.median()) + ", p99 " +
                      millis(run.answers.percentile(99)) + ", " +
                      std::to_string(run.answers.size()) + " probes, " +
                      std::to_string(run.answers.above(50)) + " over 50 ms   target max < 50 ms   " +
                      verdict(run.answers.max() < 50 && run.timeouts == 0));
        table.row(n + " flood: label changes seen", std::to_string(run.labelChanges),
                  "(sampled between the probes)");
        table.row(n + " flood: last code shown afterwards", run.lastShown ? "yes" : "NO",
                  (run.lastShown ? "\"" + run.expected + "\" within " + millis(run.lastLag) +
                                       " of the flood's end   MET"
                                 : "label shows \"" + textOf(label) + "\", not \"" + run.expected +
                                       "\"   MISSED"));
    }
    footprintChange(table, "after the 1st flood", before, after[0]);
    footprintChange(table, "after the 2nd flood", after[0], after[1]);
}

}  // namespace bench
