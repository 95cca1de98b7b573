// Row 10: the code library at scale, 200 remotes of 100 codes each: the
// window opening to the first remote shown, a keystroke in the filter, a
// code added (and saved), the time from a learn's end to the new entry's
// name box, and Pellwick's start-up with that library beside an empty one.
#include "bench.h"

#include <commctrl.h>

#include <fstream>

#include "ir/ir.h"
#include "sim/simctl.h"
#include "ui/ids.h"

namespace bench {

namespace {

const int REMOTES = 200, CODES = 100;

// A library folder of REMOTES files, each with CODES rendered NEC1 codes.
bool makeLibrary(const std::string& appData)
{
    std::string folder = appData + "Pellwick\\Library\\";
    CreateDirectoryA((appData + "Pellwick").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int r = 0; r < REMOTES; ++r) {
        std::string name = "Remote " + std::to_string(1000 + r).substr(1);
        std::string text = "{\n  \"format\": \"pellwick-remote\",\n  \"version\": \"1.0\",\n  \"name\": \"" + name +
                           "\",\n  \"codes\": [";
        for (int c = 0; c < CODES; ++c) {
            ir::Params p{{"D", r % 256}, {"F", c}};
            std::string pronto, error;
            if (!ir::render("NEC1", p, &pronto, &error))
                return false;
            text += std::string(c ? "," : "") + "\n    {\n      \"name\": \"Button " + std::to_string(1000 + c).substr(1) +
                    "\",\n      \"pronto\": \"" + pronto + "\"\n    }";
        }
        std::ofstream(folder + name + ".json", std::ios::binary) << text << "\n  ]\n}\n";
    }
    return true;
}

int itemCount(HWND list)
{
    DWORD_PTR n = 0;
    return SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &n) ? static_cast<int>(n) : -1;
}

HWND editControl(HWND list)
{
    DWORD_PTR edit = 0;
    SendMessageTimeoutW(list, LVM_GETEDITCONTROL, 0, 0, SMTO_ABORTIFHUNG, 2000, &edit);
    return reinterpret_cast<HWND>(edit);
}

// Process start to the visible main window.
double startMs(const e2e::Env& env)
{
    double t0 = nowMs();
    e2e::App app(env);
    OrderlyExit exit(app);
    bool shown = poll([&] { return visibleWindow(app.pid(), "Tavrix Pellwick Utility") != nullptr; }, 15000);
    return shown ? nowMs() - t0 : -1;
}

std::string beside(const Samples& s, double target)
{
    return "max " + millis(s.max()) + ", target < " + millis(target) + "   " + verdict(!s.empty() && s.median() < target);
}

}  // namespace

void libraryRow(Table& table, const Options& options)
{
    progress("code library: %d remotes of %d codes", REMOTES, CODES);
    table.section("10. Code library, " + std::to_string(REMOTES) + " remotes of " + std::to_string(CODES) +
                  " codes each (medians)");
    std::string big = e2e::makeTempDir("library"), empty = e2e::makeTempDir("nolibrary");
    if (!makeLibrary(big)) {
        table.note("the library could not be made");
        return;
    }
    e2e::Env bigEnv = quietEnv(), emptyEnv = quietEnv();
    bigEnv["APPDATA"] = big.substr(0, big.size() - 1);
    emptyEnv["APPDATA"] = empty.substr(0, empty.size() - 1);

    int runs = options.quick ? 3 : 7;
    Samples startBig, startEmpty;
    for (int i = 0; i < runs; ++i) {
        startEmpty.add(startMs(emptyEnv));
        startBig.add(startMs(bigEnv));
    }

    e2e::App app(bigEnv);
    OrderlyExit exit(app);
    HWND main = app.mainWindow();
    if (!main) {
        table.note("Pellwick showed no main window");
        return;
    }
    // Opening: the menu command until the first remote's codes are listed.
    Samples open;
    HWND library = nullptr, codes = nullptr;
    for (int i = 0; i < runs; ++i) {
        if (library)
            PostMessageA(library, WM_CLOSE, 0, 0), poll([&] { return !IsWindow(library); }, 5000);
        double t0 = nowMs();
        PostMessageA(main, WM_COMMAND, IDM_CODELIBRARY, 0);
        bool shown = poll([&] {
            library = visibleWindow(app.pid(), "IR Code Library");
            codes = library ? GetDlgItem(library, IDC_LIB_CODES) : nullptr;
            return codes && itemCount(codes) == CODES;
        }, 15000);
        if (shown)
            open.add(nowMs() - t0);
    }
    if (!codes) {
        table.note("the library window showed no codes");
        return;
    }
    // The filter: a character typed and deleted again, each answered when
    // the box answers the next message (the lists are filled by then).
    Typist typist;
    HWND filter = GetDlgItem(library, IDC_LIB_FILTER);
    Samples first, keys;
    first.add(typist.typeOver(filter, 0, 0, "7"));
    typist.typeOver(filter, 0, 1, "");
    e2e::settle(3000);  // every code described for the filter
    const char* typed[] = {"B", "u", "t", "t", "o", "n", " ", "0", "5"};
    for (int round = 0; round < (options.quick ? 2 : 5); ++round) {
        for (int c = 0; c < 9; ++c)
            keys.add(typist.typeOver(filter, c, c, typed[c]));
        for (int c = 9; c > 0; --c)
            keys.add(typist.typeOver(filter, c - 1, c, ""));
    }
    // Add: the code in the box into the first remote, on disk when the
    // click returns; its name box is closed again without a change.
    Samples add;
    typist.paste(app.control(IDC_TBCURCODE), e2e::NEC1_CODE);
    HWND addButton = GetDlgItem(library, IDC_LIB_ADD);
    for (int i = 0; i < (options.quick ? 5 : 20); ++i) {
        DWORD_PTR result = 0;
        double t0 = nowMs();
        SendMessageTimeoutA(addButton, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
        add.add(nowMs() - t0);
        if (HWND edit = editControl(codes))
            SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    // Learn into library: from the code in the box after the learn's end
    // to the name box of its entry, beside the learn's own end.
    simctl::setLearnMode(true);
    simctl::point("NEC1 D=4 F=8");
    Samples learnEnd, toName;
    PostMessageA(GetDlgItem(library, IDC_LIB_LEARN), BM_CLICK, 0, 0);
    HWND cancel = app.control(IDC_CBLEARNCANCEL);
    for (int i = 0; i < (options.quick ? 3 : 10); ++i) {
        if (!poll([&] { return shown(cancel); }, 5000))
            break;
        std::string before = textOf(app.control(IDC_TBCURCODE));
        typist.paste(app.control(IDC_TBCURCODE), "");
        double t0 = nowMs();
        simctl::finish();
        double t1 = poll([&] { return !textOf(app.control(IDC_TBCURCODE)).empty(); }, 5000) ? nowMs() : -1;
        HWND edit = nullptr;
        if (t1 < 0 || !poll([&] { return (edit = editControl(codes)) != nullptr; }, 5000))
            break;
        learnEnd.add(t1 - t0);
        toName.add(nowMs() - t1);
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);  // named: the next learn starts
    }
    PostMessageA(library, WM_COMMAND, IDCANCEL, 0);  // Escape: stops the capture
    simctl::setLearnMode(false);

    table.row("window open -> first remote's 100 codes listed", millis(open.median()), beside(open, 200));
    table.row("filter: a keystroke, answered", millis(keys.median()), beside(keys, 16) + " (" +
              std::to_string(keys.size()) + " keystrokes)");
    table.row("filter: first keystroke just after opening", millis(first.median()),
              "(what the background has not described yet joins the lists as it is)");
    table.row("add the code in the box, saved", millis(add.median()), beside(add, 20));
    table.row("learn into library: learn's end -> name box", millis(toName.median()),
              "max " + millis(toName.max()) + ", beside the learn's own end: " + millis(learnEnd.median()) +
                  " from the driver's end to the code in the box");
    table.row("start-up with this library", millis(startBig.median()),
              "with an empty one " + millis(startEmpty.median()) + " (nothing of the library is read at start)");
}

}  // namespace bench
