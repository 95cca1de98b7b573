// pellwick_bench.exe: what the measurements share. Each row of the table
// is one function that starts its own Pellwick on the simulated device,
// measures, and adds its lines to the table.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/tavrix_abi.h"
#include "harness.h"
#include "measure.h"
#include "procinfo.h"
#include "remote.h"

namespace bench {

struct Options {
    bool quick = false;
    int soak = 1000;           // own learns, hooked learns, transmissions; About boxes: a tenth
    int startRuns = 10;        // start-ups of each program
    int relayCodes = 1000;
    int floodSeconds = 5;
    long long size32 = -1;     // bytes of the 32-bit product build, from the script
    double buildSeconds = -1;  // how long the script's build took
    std::string buildWhat;     // what that build was
    std::string rows = "1234567";  // which rows to measure (6 and 7 go together)
    bool library = true;           // row 10, "10" among the rows
    bool wants(char row) const { return rows.find(row) != std::string::npos; }
};

// The printed result: sections of rows, each row a label, a figure, and
// what the figure stands beside (baseline, target) with its verdict.
class Table {
public:
    void section(const std::string& title);
    void row(const std::string& label, const std::string& figure, const std::string& beside = "");
    void note(const std::string& text);
    void print() const;

private:
    std::vector<std::string> lines_;
};

// Progress while the benchmark runs (the table comes at the end).
void progress(const char* format, ...);

// The simulated driver loaded into this process, for the figures that need
// the driver's own time beside the program's.
struct Driver {
#define BENCH_DRIVER_POINTER(result, name, parameters) result(TAVRIX_API* name) parameters = nullptr;
    TAVRIX_FUNCTIONS(BENCH_DRIVER_POINTER)
#undef BENCH_DRIVER_POINTER
    bool load();
};
Driver& driver();

// Pellwick with no call log: a log line per driver call would measure the
// disk, and the real driver writes none.
e2e::Env quietEnv();

// Ends a started Pellwick as a user does, by closing its main window, before
// the App's destructor would kill it: a program that is killed leaves its
// learn hook and its place in the simulated device for the driver to notice.
class OrderlyExit {
public:
    explicit OrderlyExit(e2e::App& app) : app_(app) {}
    ~OrderlyExit();
    OrderlyExit(const OrderlyExit&) = delete;
    OrderlyExit& operator=(const OrderlyExit&) = delete;

private:
    e2e::App& app_;
};

// A short valid code (about 1.3 ms in the air) and its air time.
extern const char* const SHORT_CODE;
double airTimeMs(const std::string& code);

// Clicks the transmit button and waits until the program is back from the
// transmission; the time from the click, or -1 on timeout.
double clickTransmit(HWND main, HWND button);

// The rows.
void startupRow(Table& table, const Options& options);
void relayRow(Table& table, const Options& options);
void floodRow(Table& table, const Options& options);
void typingRow(Table& table, const Options& options);
void transmitRow(Table& table, const Options& options);
// Footprint and soak share one Pellwick: its figures after start-up are
// the soak's baseline.
void footprintAndSoakRows(Table& table, const Options& options);
void libraryRow(Table& table, const Options& options);

}  // namespace bench
