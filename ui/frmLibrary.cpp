// The IR Code Library window. Left, the remotes; right, the codes of the
// selected one (Name, Decode, Length), narrowed by the filter box; below,
// the buttons and a status line that says what was saved and what not.
//
// A Unicode window: its class, controls and strings are wide, so that names
// in any script show as typed; the library keeps them in UTF-8.
#include "frmLibrary.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "app/Module1.h"
#include "library/fsio.h"
#include "library/library.h"
#include "ui/forms.h"
#include "ui/frmLibraryFiles.h"
#include "ui/frmMain.h"
#include "ui/ids.h"
#include "ui/sysdll.h"
#include "ui/twips.h"

namespace frmLibrary {

namespace {

const wchar_t CLASS_NAME[] = L"PellwickLibrary";
const wchar_t TITLE[] = L"IR Code Library";

// Client area when first opened and the smallest it may become, in twips.
const int CLIENT_WIDTH = 7200, CLIENT_HEIGHT = 6390;
const int MIN_WIDTH = 5400, MIN_HEIGHT = 4200;
const int MARGIN = 120, GAP = 90, LEFT_WIDTH = 1860, LABEL_HEIGHT = 255, FIELD_HEIGHT = 315;
const int BUTTON_HEIGHT = 375, STATUS_HEIGHT = 480, BUTTON_PADDING = 300;
// The smallest the codes list and the lists' height may become.
const int CODES_MIN_WIDTH = 2400, LISTS_MIN_HEIGHT = 600;
const wchar_t BUTTON[] = L"BUTTON", STOP_LEARNING[] = L"Stop learn&ing", LENGTH_TITLE[] = L"Length (ms)";

const UINT_PTR STATE_TIMER = 1;   // follows the main window's learn state
const UINT_PTR RETRY_TIMER = 2;   // saves again what could not be saved
const UINT_PTR INDEX_TIMER = 3;   // describes every code for the filter, when idle
const UINT STATE_MS = 200, RETRY_MS = 5000, INDEX_MS = 10;
const char* const FILTERING = "Filtering: still reading the library's codes...";
// Bytes of remote files read whole when the window opens, and per tick after.
const size_t READ_AT_ONCE = 64 * 1024, READ_PER_TICK = 128 * 1024;
const UINT MSG_NEXT_LEARN = WM_APP + 1;
const UINT MSG_LEARN_ENDED = WM_APP + 2;
const UINT MSG_COMMANDS = WM_APP + 3;

// Controls in tab order; buttons are laid out in rows below the lists.
struct Item {
    int id;
    const wchar_t* cls;
    DWORD style;
    const wchar_t* caption;
    int width;  // buttons only, in twips
};
const Item ITEMS[] = {
    {IDC_LIB_LBLREMOTES, L"STATIC", SS_LEFT, L"&Remotes:", 0},
    // Several remotes may be selected, for an export; the codes shown are
    // the focused one's. Both lists ask for their rows' texts as they draw
    // them (LVS_OWNERDATA): a filter keystroke costs the rows in view.
    {IDC_LIB_REMOTES, WC_LISTVIEWW,
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_OWNERDATA | WS_TABSTOP, L"", 0},
    {IDC_LIB_NEW, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"&New", 0},
    {IDC_LIB_RENAMEREMOTE, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"Rena&me", 0},
    {IDC_LIB_DELETEREMOTE, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"&Delete", 0},
    {IDC_LIB_LBLFILTER, L"STATIC", SS_LEFT, L"&Filter:", 0},
    {IDC_LIB_FILTER, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, L"", 0},
    {IDC_LIB_LBLCODES, L"STATIC", SS_LEFT, L"Code&s:", 0},
    {IDC_LIB_CODES, WC_LISTVIEWW,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_OWNERDATA | WS_TABSTOP, L"", 0},
    {IDC_LIB_LEARN, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"Learn &into library", 1695},
    {IDC_LIB_ADD, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"&Add code in box", 1575},
    {IDC_LIB_PUT, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"&Put in box", 1095},
    {IDC_LIB_TRANSMIT, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"&Transmit", 1095},
    {IDC_LIB_INJECT, BUTTON, BS_PUSHBUTTON | WS_TABSTOP, L"In&ject", 1095},
    {IDC_LIB_STATUS, L"STATIC", SS_LEFT | SS_NOPREFIX, L"", 0},
};

std::wstring wide(const std::string& utf8) { return library::fsio::toWide(utf8); }
std::string utf8(const std::wstring& w) { return library::fsio::fromWide(w); }

std::wstring lower(std::wstring w)
{
    if (!w.empty())
        CharLowerBuffW(&w[0], static_cast<DWORD>(w.size()));
    return w;
}

std::wstring textOf(HWND control)
{
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = GetWindowTextW(control, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// The library folder: %APPDATA%\Pellwick\Library.
std::string libraryFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    DWORD n = GetEnvironmentVariableW(L"APPDATA", path, MAX_PATH);
    typedef HRESULT(WINAPI * FolderPath)(HWND, int, HANDLE, DWORD, LPWSTR);
    FolderPath folderPath = nullptr;
    if ((n == 0 || n > MAX_PATH) &&
        (folderPath = sysdll::function<FolderPath>(L"shell32.dll", "SHGetFolderPathW")) != nullptr)
        folderPath(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    return utf8(path) + "\\Pellwick\\Library";
}

// ---------------------------------------------------------------------------
// List views.

int lvCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
int lvNext(HWND list, int after, UINT flags)
{
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), flags));
}
int lvSelected(HWND list) { return lvNext(list, -1, LVNI_SELECTED); }

void lvState(HWND list, int row, UINT state)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Selects one row only (none for -1).
void lvSelect(HWND list, int row)
{
    lvState(list, -1, 0);
    if (row >= 0) {
        lvState(list, row, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
    }
}

// ---------------------------------------------------------------------------

// What the filter looks at in each code: its name and its decode, in lower
// case.
struct Indexed {
    std::wstring name, decode;
};

// A list row as shown: its data and its columns' texts.
struct Row {
    LPARAM data;
    std::wstring text[3];
    bool operator==(const Row& o) const
    {
        return data == o.data && text[0] == o.text[0] && text[1] == o.text[1] && text[2] == o.text[2];
    }
};

struct Undo {
    int remote;
    size_t index;
    library::Code code;
};

struct State {
    std::unique_ptr<library::Library> lib;
    std::string loadError;
    HFONT font = nullptr;
    int remote = 0;              // the selected remote's id; 0 none
    std::vector<library::Description> described;  // of the selected remote's codes
    std::unordered_map<std::string, library::Description> descriptions;  // by Pronto text
    std::unordered_map<int, std::vector<Indexed>> index;  // by remote id
    std::wstring filter;         // in lower case
    std::string status;          // what the status line said of the library when it was read
    std::vector<Undo> undo;
    bool capturing = false;      // the capture loop: learn, name, learn...
    bool awaitingLearn = false;  // a learn the library started is under way
    bool namingAfterLearn = false;
    HWND lastFocus = nullptr;
    std::vector<Row> remoteRows, codeRows;  // what the lists show
    std::unordered_map<int, int> width;  // of controls whose captions decide it, in pixels
    int leftWidth = 0;                   // of the remotes' column, in pixels
    SIZE laidOut = {-1, -1};             // the client area the controls were placed for
    bool selecting = false;      // the window itself changes the remotes' selection
    bool commandsPosted = false;  // MSG_COMMANDS is on its way
};

HWND window = nullptr;
RECT lastPlace = {0, 0, 0, 0};  // kept for the session

State* stateOf(HWND hwnd) { return reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }
HWND item(int id) { return GetDlgItem(window, id); }

void say(const std::string& text) { SetWindowTextW(item(IDC_LIB_STATUS), wide(text).c_str()); }

const library::Description& describe(State* s, const std::string& pronto)
{
    auto found = s->descriptions.find(pronto);
    if (found != s->descriptions.end())
        return found->second;
    return s->descriptions.emplace(pronto, library::describe(pronto)).first->second;
}

const library::Library::Entry* selectedRemote(State* s) { return s->lib ? s->lib->find(s->remote) : nullptr; }

// The filter index of one remote, made when first needed.
const std::vector<Indexed>& indexOf(State* s, const library::Library::Entry& e)
{
    auto found = s->index.find(e.id);
    if (found != s->index.end() && found->second.size() == e.remote.codes.size())
        return found->second;
    std::vector<Indexed> made;
    made.reserve(e.remote.codes.size());
    for (const library::Code& c : e.remote.codes)
        made.push_back({lower(wide(c.name)), lower(wide(describe(s, c.pronto).decode))});
    return s->index[e.id] = std::move(made);
}

bool matches(const std::wstring& text, const std::wstring& filter)
{
    return filter.empty() || text.find(filter) != std::wstring::npos;
}

bool codeShown(State* s, const library::Library::Entry& e, size_t i)
{
    if (s->filter.empty() || matches(lower(wide(e.remote.name)), s->filter))
        return true;
    const Indexed& x = indexOf(s, e)[i];
    return matches(x.name, s->filter) || matches(x.decode, s->filter);
}

// Whether the filter index holds every code of the remote.
bool indexed(State* s, const library::Library::Entry& e)
{
    auto found = s->index.find(e.id);
    return e.whole && found != s->index.end() && found->second.size() == e.remote.codes.size();
}

// A remote whose codes have not been read and described yet shows when
// its name matches; its codes are looked at when the background gets to
// them (readAhead), or at once when it is the one whose codes show.
bool remoteShown(State* s, const library::Library::Entry& e)
{
    if (s->filter.empty() || matches(lower(wide(e.remote.name)), s->filter))
        return true;
    if (e.id != s->remote && !indexed(s, e))
        return false;
    for (size_t i = 0; i < e.remote.codes.size(); ++i)
        if (codeShown(s, e, i))
            return true;
    return false;
}

// Whether the filter index holds every code of the library.
bool allIndexed(State* s)
{
    if (!s->lib || !s->lib->allWhole())
        return false;
    for (const library::Library::Entry& e : s->lib->remotes())
        if (!indexed(s, e))
            return false;
    return true;
}

// ---------------------------------------------------------------------------
// Filling the lists.

// The row showing this data, or -1.
int rowOf(const std::vector<Row>& rows, LPARAM data)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].data == data)
            return static_cast<int>(i);
    return -1;
}

// Brings a list to the rows wanted. The list holds no rows of its own
// (LVS_OWNERDATA): it learns how many there are, and draws again those
// that changed, when they are in view.
void syncList(HWND list, std::vector<Row>* filled, std::vector<Row> wanted)
{
    size_t first = 0, common = std::min(filled->size(), wanted.size());
    while (first < common && (*filled)[first] == wanted[first])
        ++first;
    size_t last = common;
    while (last > first && (*filled)[last - 1] == wanted[last - 1])
        --last;
    bool grown = wanted.size() > filled->size(), shrunk = wanted.size() < filled->size();
    *filled = std::move(wanted);
    // Rows added at the end are drawn only when they come into view.
    if (grown || shrunk)
        SendMessageW(list, LVM_SETITEMCOUNT, filled->size(), LVSICF_NOSCROLL | (grown ? LVSICF_NOINVALIDATEALL : 0));
    if (grown && first < filled->size())
        last = filled->size();
    if (!shrunk && first < last)
        SendMessageW(list, LVM_REDRAWITEMS, first, last - 1);
}

void fillCodes(State* s, int selectIndex = -1)
{
    HWND list = item(IDC_LIB_CODES);
    std::vector<Row> rows;
    s->described.clear();
    if (const library::Library::Entry* e = selectedRemote(s)) {
        for (const library::Code& c : e->remote.codes)
            s->described.push_back(describe(s, c.pronto));
        library::markSameCodes(e->remote.codes, &s->described);
        rows.reserve(e->remote.codes.size());
        for (size_t i = 0; i < e->remote.codes.size(); ++i) {
            if (!codeShown(s, *e, i))
                continue;
            const library::Description& d = s->described[i];
            std::string decode = d.decode + (d.sameAs.empty() ? "" : "  (same code as " + d.sameAs + ")");
            rows.push_back({static_cast<LPARAM>(i),
                            {wide(e->remote.codes[i].name), wide(decode),
                             d.valid ? wide(library::lengthText(d.lengthMs)) : L""}});
        }
    }
    int selected = lvSelected(list);
    LPARAM was = selected >= 0 && static_cast<size_t>(selected) < s->codeRows.size() ? s->codeRows[selected].data : -1;
    syncList(list, &s->codeRows, std::move(rows));
    int row = rowOf(s->codeRows, selectIndex >= 0 ? selectIndex : was);
    if (row < 0 && !s->codeRows.empty())
        row = 0;
    // One row selected: the list lets go of the one before by itself.
    if (row < 0) {
        lvState(list, -1, 0);
    } else if (row != lvSelected(list)) {
        lvState(list, row, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
    }
}

// The data of the remotes list's selected rows.
std::vector<LPARAM> selectedRemoteRows(State* s)
{
    std::vector<LPARAM> data;
    HWND list = item(IDC_LIB_REMOTES);
    for (int row = lvSelected(list); row >= 0 && static_cast<size_t>(row) < s->remoteRows.size();
         row = lvNext(list, row, LVNI_SELECTED))
        data.push_back(s->remoteRows[static_cast<size_t>(row)].data);
    return data;
}

// Reads whole the remote whose codes are to show (the selected one, or
// the first): one that turns out not to be readable moves down to the
// files that cannot be read, and the next one is taken.
void readShownRemote(State* s)
{
    while (s->lib) {
        const library::Library::Entry* e = s->lib->find(s->remote);
        if (!e) {
            s->remote = 0;
            for (const library::Library::Entry& first : s->lib->remotes())
                if (remoteShown(s, first)) {
                    e = &first;
                    break;
                }
        }
        if (!e || s->lib->readWhole(e->id))
            return;
    }
}

void fillRemotes(State* s)
{
    HWND list = item(IDC_LIB_REMOTES);
    std::vector<Row> rows;
    readShownRemote(s);
    if (s->lib) {
        rows.reserve(s->lib->remotes().size() + s->lib->unreadable().size());
        for (const library::Library::Entry& e : s->lib->remotes())
            if (remoteShown(s, e))
                rows.push_back({e.id, {wide(e.remote.name) + (e.dirty ? L" (not saved)" : L""), L"", L""}});
        // Files that cannot be read, by their file names, after the remotes.
        const std::vector<library::Unreadable>& bad = s->lib->unreadable();
        for (size_t i = 0; i < bad.size(); ++i)
            if (s->filter.empty())
                rows.push_back({-static_cast<LPARAM>(i) - 1, {wide(bad[i].file) + L" (cannot be read)", L"", L""}});
    }
    // The rows selected stay selected wherever they move to.
    std::vector<LPARAM> selected = selectedRemoteRows(s);
    syncList(list, &s->remoteRows, std::move(rows));
    int row = rowOf(s->remoteRows, s->remote);
    if (row < 0 && !s->remoteRows.empty() && s->remoteRows[0].data > 0)
        row = 0;
    s->remote = row >= 0 ? static_cast<int>(s->remoteRows[static_cast<size_t>(row)].data) : 0;
    std::vector<int> wanted;
    for (LPARAM data : selected)
        if (data != s->remote && rowOf(s->remoteRows, data) >= 0)
            wanted.push_back(rowOf(s->remoteRows, data));
    if (row >= 0)
        wanted.push_back(row);
    std::vector<int> now;
    for (int r = lvSelected(list); r >= 0; r = lvNext(list, r, LVNI_SELECTED))
        now.push_back(r);
    std::sort(wanted.begin(), wanted.end());
    if (now != wanted || (row >= 0 && lvNext(list, -1, LVNI_FOCUSED) != row)) {
        s->selecting = true;
        lvSelect(list, row);
        for (int r : wanted)
            if (r != row)
                lvState(list, r, LVIS_SELECTED);
        s->selecting = false;
    }
    fillCodes(s);
    // Remotes not described yet join a filtered list as the background gets to them.
    if (!s->filter.empty() && !allIndexed(s))
        SetTimer(window, INDEX_TIMER, INDEX_MS, nullptr);
}

// The code list's selected code: its index in the remote, or -1.
long selectedCode(State* s)
{
    HWND list = item(IDC_LIB_CODES);
    int row = lvSelected(list);
    const library::Library::Entry* e = selectedRemote(s);
    if (row < 0 || !e)
        return -1;
    if (static_cast<size_t>(row) >= s->codeRows.size())
        return -1;
    long index = static_cast<long>(s->codeRows[static_cast<size_t>(row)].data);
    return index < static_cast<long>(e->remote.codes.size()) ? index : -1;
}

void updateCommands(State* s)
{
    bool remote = selectedRemote(s) != nullptr, code = selectedCode(s) >= 0;
    // Another application's learn is under way: the main window offers Inject.
    bool hooked = lrnActive && lrnFormat < 0;
    auto enable = [](int id, bool on) {
        HWND control = item(id);
        if (!on && GetFocus() == control)
            SetFocus(item(IDC_LIB_CODES));
        EnableWindow(control, on);
        EnableMenuItem(GetMenu(window), id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(IDC_LIB_RENAMEREMOTE, remote);
    enable(IDC_LIB_DELETEREMOTE, remote);
    bool exportable = false;
    for (LPARAM data : selectedRemoteRows(s))
        exportable = exportable || data > 0;
    EnableMenuItem(GetMenu(window), IDM_LIB_EXPORT, MF_BYCOMMAND | (exportable ? MF_ENABLED : MF_GRAYED));
    for (int id : {IDM_LIB_IMPORTFILES, IDM_LIB_IMPORTFOLDER})
        EnableMenuItem(GetMenu(window), id, MF_BYCOMMAND | (s->lib ? MF_ENABLED : MF_GRAYED));
    enable(IDC_LIB_PUT, code);
    enable(IDC_LIB_TRANSMIT, code && !lrnActive);
    enable(IDC_LIB_INJECT, code && hooked);
    enable(IDC_LIB_LEARN, s->capturing || (!lrnActive && s->lib));
    enable(IDC_LIB_ADD, s->lib != nullptr);
    for (int id : {IDM_LIB_RENAMECODE, IDM_LIB_DELETECODE, IDM_LIB_MOVEUP, IDM_LIB_MOVEDOWN})
        EnableMenuItem(GetMenu(window), id, MF_BYCOMMAND | (code ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(GetMenu(window), IDM_LIB_UNDO, MF_BYCOMMAND | (s->undo.empty() ? MF_GRAYED : MF_ENABLED));
}

// Says how a change went. False when nothing changed.
bool report(State* s, const library::Outcome& o, const std::string& done)
{
    if (o.kind == library::Outcome::REFUSED) {
        say(o.message);
    } else if (o.kind == library::Outcome::PENDING) {
        say("Not saved: " + o.message + ". The change stays here and Pellwick tries again every 5 seconds.");
        SetTimer(window, RETRY_TIMER, RETRY_MS, nullptr);
    } else {
        say(done + (o.reloaded ? " (the remote had been changed by another program and was read again first)" : ""));
    }
    if (o.reloaded || o.kind == library::Outcome::REFUSED)
        s->index.erase(s->remote);
    // The remote's row says whether all of it is on disk.
    int row = rowOf(s->remoteRows, s->remote);
    if (const library::Library::Entry* e = selectedRemote(s))
        if (row >= 0) {
            std::wstring text = wide(e->remote.name) + (e->dirty ? L" (not saved)" : L"");
            if (s->remoteRows[static_cast<size_t>(row)].text[0] != text) {
                s->remoteRows[static_cast<size_t>(row)].text[0] = text;
                SendMessageW(item(IDC_LIB_REMOTES), LVM_REDRAWITEMS, row, row);
            }
        }
    return o.applied();
}

// What the status line says of the library as it is read: the count of
// codes once they have all been read.
std::string loadStatus(State* s)
{
    size_t codes = 0;
    for (const library::Library::Entry& e : s->lib->remotes())
        codes += e.remote.codes.size();
    return std::to_string(s->lib->remotes().size()) + " remotes" +
           (s->lib->allWhole() ? ", " + std::to_string(codes) + " codes" : std::string()) + " in " + s->lib->folder() +
           (s->lib->unreadable().empty() ? "" : "; some files cannot be read (listed last)");
}

// A library listed by its remotes' names (library::Library::load with
// namesFirst): a large library shows at once, and its remotes' codes are
// read between the user's keystrokes (INDEX_TIMER).
std::unique_ptr<library::Library> listLibrary(const std::string& folder, std::string* error, bool* listed)
{
    std::unique_ptr<library::Library> lib(new library::Library(folder));
    *listed = lib->load(error, true);
    return lib;
}

// Shows a library as listed, the first few remotes read whole.
void showLibrary(State* s, std::unique_ptr<library::Library> lib, bool listed, const std::string& error)
{
    s->lib = std::move(lib);
    s->index.clear();
    s->loadError = error;
    if (!listed) {
        s->lib.reset();
        fillRemotes(s);
        say("The library cannot be used: " + s->loadError + ".");
    } else {
        s->lib->readMore(READ_AT_ONCE);
        fillRemotes(s);
        s->status = loadStatus(s);
        say(s->status);
        SetTimer(window, INDEX_TIMER, INDEX_MS, nullptr);
    }
    updateCommands(s);
}

void load(State* s)
{
    std::string error;
    bool listed = false;
    std::unique_ptr<library::Library> lib = listLibrary(libraryFolder(), &error, &listed);
    showLibrary(s, std::move(lib), listed, error);
}

// Between keystrokes: a few remotes read whole, then a few hundred codes
// described for the filter; while a filter is typed, the remotes found
// join the list as they are described. False once all is done.
bool readAhead(State* s)
{
    size_t unreadable = s->lib->unreadable().size();
    bool whole = s->lib->readMore(READ_PER_TICK);
    bool more = !whole;
    if (whole) {
        size_t budget = 300;
        for (const library::Library::Entry& e : s->lib->remotes()) {
            if (indexed(s, e))
                continue;
            indexOf(s, e);
            if (e.remote.codes.size() >= budget) {
                more = true;
                break;
            }
            budget -= e.remote.codes.size();
        }
    }
    if (s->lib->unreadable().size() != unreadable || !s->filter.empty())
        fillRemotes(s);  // an unreadable file moves down the list; the filter finds more
    if (more)
        return true;
    // All read: the status line tells the codes too, unless it says something else by now.
    std::wstring shown = textOf(item(IDC_LIB_STATUS));
    if (shown == wide(s->status) || shown == wide(FILTERING))
        say(loadStatus(s));
    return false;
}

// ---------------------------------------------------------------------------
// The main window, driven as a user would drive it.

HWND mainItem(int id) { return mainForm ? GetDlgItem(mainForm->hwnd(), id) : nullptr; }

// Puts the text in the code box as a paste would: the box's own check then
// sets the transmit and inject controls.
void putInBox(const std::string& pronto)
{
    HWND box = mainItem(IDC_TBCURCODE);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide(pronto).c_str()));
}

void startLearn(State* s)
{
    HWND learn = mainItem(IDC_CBLEARNIRCODE);
    if (!mainForm || !IsWindowEnabled(learn)) {
        s->capturing = false;
        say("A learn is under way in the main window: the capture stops.");
    } else {
        s->awaitingLearn = true;
        say("Learning: press the next button on the remote, aimed at the Tavrix (Escape stops).");
        mainForm->cbLearnIRCode_Click();
    }
    SetWindowTextW(item(IDC_LIB_LEARN), s->capturing ? STOP_LEARNING : L"Learn &into library");
    updateCommands(s);
}

void stopCapture(State* s, const std::string& why)
{
    bool wasLearning = s->awaitingLearn;
    s->capturing = false;
    s->awaitingLearn = false;
    s->namingAfterLearn = false;
    SetWindowTextW(item(IDC_LIB_LEARN), L"Learn &into library");
    // The learn the library started is cancelled as the Cancel button would.
    if (wasLearning && mainForm && IsWindowVisible(mainItem(IDC_CBLEARNCANCEL)))
        mainForm->cbLearnCancel_Click();
    say(why);
    updateCommands(s);
}

// A new remote to capture into when there is none.
int ensureRemote(State* s)
{
    if (selectedRemote(s))
        return s->remote;
    library::Remote r;
    r.name = "New remote";
    int id = 0;
    if (!report(s, s->lib->create(r, &id), "Made the remote \"New remote\"."))
        return 0;
    s->remote = id;
    fillRemotes(s);
    return id;
}

// Adds a code at the end of the selected remote, named after its decode,
// and opens its name for typing.
void addAndName(State* s, const std::string& pronto, const std::string& done)
{
    int id = ensureRemote(s);
    if (!id)
        return;
    library::Code code;
    code.pronto = pronto;
    const library::Description& d = describe(s, pronto);
    code.name = d.valid ? d.decode : "code";
    size_t at = selectedRemote(s)->remote.codes.size();
    if (!report(s, s->lib->change(id, library::Library::addCode(code, at)), done))
        return;
    // The filter would hide a new code that does not match it.
    if (!s->filter.empty())
        SetWindowTextW(item(IDC_LIB_FILTER), L"");
    fillCodes(s, static_cast<int>(selectedRemote(s)->remote.codes.size() - 1));
    HWND list = item(IDC_LIB_CODES);
    SetFocus(list);
    SendMessageW(list, LVM_EDITLABELW, lvSelected(list), 0);
    updateCommands(s);
}

void onLearnEnded(State* s, const std::string& code)
{
    if (!s->awaitingLearn)
        return;  // not a learn of the library's
    s->awaitingLearn = false;
    if (code.empty() || !describe(s, code).valid) {
        stopCapture(s, "The learn ended without a code: nothing was added.");
        return;
    }
    s->namingAfterLearn = s->capturing;
    addAndName(s, code, "Learnt and saved: type its name and press Enter" +
                            std::string(s->capturing ? " for the next button, Escape to stop." : "."));
}

// ---------------------------------------------------------------------------
// Commands.

const library::Code* selectedCodeValue(State* s)
{
    long i = selectedCode(s);
    return i >= 0 ? &selectedRemote(s)->remote.codes[static_cast<size_t>(i)] : nullptr;
}

void putInBoxCommand(State* s)
{
    if (const library::Code* c = selectedCodeValue(s)) {
        putInBox(c->pronto);
        say("\"" + c->name + "\" is in the code box.");
    }
}

void transmitCommand(State* s)
{
    const library::Code* c = selectedCodeValue(s);
    if (!c || !mainForm)
        return;
    std::string name = c->name;
    putInBox(c->pronto);
    if (!IsWindowEnabled(mainItem(IDC_CBTRANSMITIRCODE))) {
        say("\"" + name + "\" cannot be transmitted now: " +
            (lrnActive ? "a learn is under way." : "the driver does not take it as a code."));
        return;
    }
    say("Transmitted \"" + name + "\".");
    mainForm->cbTransmitIRCode_Click();
    // The transmit window hands the activation to the main window when it
    // goes: the user is still at work in the library.
    SetActiveWindow(window);
}

void injectCommand(State* s)
{
    const library::Code* c = selectedCodeValue(s);
    if (!c || !mainForm)
        return;
    std::string name = c->name;
    putInBox(c->pronto);
    HWND inject = mainItem(IDC_CBINJECTIR);
    if (!IsWindowVisible(inject) || !IsWindowEnabled(inject)) {
        say("\"" + name + "\" cannot answer the learn: the main window does not offer Inject for it.");
        return;
    }
    mainForm->cbInjectIR_Click();
    say("\"" + name + "\" was handed to the other application's learn.");
}

void deleteCodeCommand(State* s)
{
    long i = selectedCode(s);
    if (i < 0)
        return;
    library::Code code = selectedRemote(s)->remote.codes[static_cast<size_t>(i)];
    if (report(s, s->lib->change(s->remote, library::Library::removeCode(static_cast<size_t>(i), code)),
               "Deleted \"" + code.name + "\": Ctrl+Z brings it back.")) {
        s->undo.push_back({s->remote, static_cast<size_t>(i), code});
        s->index.erase(s->remote);
        fillCodes(s, static_cast<int>(i));
        if (lvSelected(item(IDC_LIB_CODES)) < 0)
            lvSelect(item(IDC_LIB_CODES), lvCount(item(IDC_LIB_CODES)) - 1);
    } else {
        fillCodes(s);
    }
    updateCommands(s);
}

void undoCommand(State* s)
{
    if (s->undo.empty())
        return;
    Undo u = s->undo.back();
    s->undo.pop_back();
    if (!s->lib->find(u.remote)) {
        say("The remote of \"" + u.code.name + "\" is gone.");
        return;
    }
    s->remote = u.remote;
    if (report(s, s->lib->change(u.remote, library::Library::addCode(u.code, u.index)),
               "\"" + u.code.name + "\" is back."))
        s->index.erase(u.remote);
    fillRemotes(s);
    fillCodes(s, static_cast<int>(u.index));
    updateCommands(s);
}

void moveCommand(State* s, int by)
{
    long i = selectedCode(s);
    if (i < 0)
        return;
    library::Code code = selectedRemote(s)->remote.codes[static_cast<size_t>(i)];
    bool moved = report(s, s->lib->change(s->remote, library::Library::moveCode(static_cast<size_t>(i), code, by)),
                        "Moved \"" + code.name + (by < 0 ? "\" up." : "\" down."));
    s->index.erase(s->remote);
    fillCodes(s, static_cast<int>(moved ? i + by : i));
}

void newRemoteCommand(State* s)
{
    if (!s->lib)
        return;
    library::Remote r;
    r.name = "New remote";
    int id = 0;
    if (!report(s, s->lib->create(r, &id), "Made a new remote: type its name and press Enter."))
        return;
    s->remote = id;
    SetWindowTextW(item(IDC_LIB_FILTER), L"");
    fillRemotes(s);
    HWND list = item(IDC_LIB_REMOTES);
    SetFocus(list);
    SendMessageW(list, LVM_EDITLABELW, rowOf(s->remoteRows, id), 0);
    updateCommands(s);
}

void deleteRemoteCommand(State* s)
{
    const library::Library::Entry* e = selectedRemote(s);
    if (!e)
        return;
    std::string name = e->remote.name;
    std::wstring question = L"Delete the remote \"" + wide(name) + L"\" and its " +
                            std::to_wstring(e->remote.codes.size()) + L" codes? Its file is deleted.";
    if (MessageBoxW(window, question.c_str(), L"Delete remote", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    int id = s->remote;
    if (report(s, s->lib->remove(id), "Deleted the remote \"" + name + "\".")) {
        s->index.erase(id);
        s->remote = 0;
    }
    fillRemotes(s);
    updateCommands(s);
}

void renameCommand(State* s, int listId)
{
    HWND list = item(listId);
    int row = listId == IDC_LIB_CODES ? lvSelected(list) : rowOf(s->remoteRows, s->remote);
    if (row >= 0 && (listId == IDC_LIB_CODES || s->remote > 0)) {
        SetFocus(list);
        SendMessageW(list, LVM_EDITLABELW, row, 0);
    }
}

// The end of typing a name in either list: true lets the list keep it.
void labelEdited(State* s, int listId, const NMLVDISPINFOW* info)
{
    bool namingLearnt = listId == IDC_LIB_CODES && s->namingAfterLearn;
    s->namingAfterLearn = false;
    if (!info->item.pszText) {  // Escape
        if (namingLearnt)
            stopCapture(s, "Capture stopped; the last code keeps its decode as its name.");
        return;
    }
    std::string name = utf8(info->item.pszText);
    size_t row = static_cast<size_t>(info->item.iItem);
    const std::vector<Row>& rows = listId == IDC_LIB_REMOTES ? s->remoteRows : s->codeRows;
    if (row >= rows.size())
        return;
    if (listId == IDC_LIB_REMOTES) {
        int id = static_cast<int>(rows[row].data);
        s->remote = id;
        report(s, s->lib->change(id, library::Library::renameRemote(name)), "Renamed the remote \"" + name + "\".");
        fillRemotes(s);
        return;
    }
    const library::Library::Entry* e = selectedRemote(s);
    size_t i = static_cast<size_t>(rows[row].data);
    if (!e || i >= e->remote.codes.size())
        return;
    library::Code code = e->remote.codes[i];
    bool renamed = report(s, s->lib->change(s->remote, library::Library::renameCode(i, code, name)),
                          "Renamed \"" + code.name + "\" to \"" + name + "\".");
    s->index.erase(s->remote);
    // Typing a name the remote cannot take opens it again.
    if (!renamed && namingLearnt)
        s->namingAfterLearn = true;
    fillCodes(s, static_cast<int>(i));
    if (!renamed && namingLearnt)
        SendMessageW(item(IDC_LIB_CODES), LVM_EDITLABELW, lvSelected(item(IDC_LIB_CODES)), 0);
    else if (namingLearnt && s->capturing)
        PostMessageW(window, MSG_NEXT_LEARN, 0, 0);  // once the list is done with its edit
}

void learnCommand(State* s)
{
    if (s->capturing) {
        stopCapture(s, "Capture stopped.");
        return;
    }
    if (!s->lib || !ensureRemote(s))
        return;
    s->capturing = true;
    startLearn(s);
}

void addCommand(State* s)
{
    HWND box = mainItem(IDC_TBCURCODE);
    std::string text = box ? utf8(textOf(box)) : std::string();
    library::Code code{"x", text, "", ""};
    std::string problem = library::codeProblem(code);
    if (text.empty())
        say("The code box is empty: there is nothing to add.");
    else if (!problem.empty())
        say("The code box does not hold a code to add: " + problem + ".");
    else
        addAndName(s, text, "Added the code in the box: type its name and press Enter.");
}

// An import's end: the lists show the remotes it brought, the first of
// them selected.
void imported(State* s, const std::vector<int>& ids, const std::string& outcome)
{
    if (!ids.empty())
        s->remote = ids.front();
    SetWindowTextW(item(IDC_LIB_FILTER), L"");
    fillRemotes(s);
    say(outcome);
    updateCommands(s);
}

void importCommand(State* s, bool folder)
{
    if (!s->lib)
        return;
    if (s->capturing)
        stopCapture(s, "");
    auto done = [s](const std::vector<int>& ids, const std::string& outcome) { imported(s, ids, outcome); };
    if (folder ? frmLibraryFiles::importFolder(window, s->lib.get(), done)
               : frmLibraryFiles::importFiles(window, s->lib.get(), done))
        say("Importing...");
}

void exportCommand(State* s)
{
    if (!s->lib)
        return;
    // What is on disk now: another program may have changed a remote.
    std::vector<library::Remote> remotes;
    for (LPARAM data : selectedRemoteRows(s))
        if (data > 0) {
            s->lib->refresh(static_cast<int>(data));
            if (s->lib->readWhole(static_cast<int>(data)))
                remotes.push_back(s->lib->find(static_cast<int>(data))->remote);
        }
    std::string done = frmLibraryFiles::exportRemotes(window, remotes);
    if (!done.empty())
        say(done);
    fillRemotes(s);
}

void onCommand(State* s, int id)
{
    switch (id) {
    case IDC_LIB_NEW: newRemoteCommand(s); break;
    case IDC_LIB_RENAMEREMOTE: renameCommand(s, IDC_LIB_REMOTES); break;
    case IDC_LIB_DELETEREMOTE: deleteRemoteCommand(s); break;
    case IDC_LIB_LEARN: learnCommand(s); break;
    case IDC_LIB_ADD: addCommand(s); break;
    case IDC_LIB_PUT:
    case IDC_LIB_TRANSMIT:
    case IDC_LIB_INJECT:
        id == IDC_LIB_PUT ? putInBoxCommand(s) : id == IDC_LIB_TRANSMIT ? transmitCommand(s) : injectCommand(s);
        // The user goes on with the codes, whichever way the command came.
        SetFocus(item(IDC_LIB_CODES));
        break;
    case IDM_LIB_RENAMECODE: renameCommand(s, IDC_LIB_CODES); break;
    case IDM_LIB_DELETECODE: deleteCodeCommand(s); break;
    case IDM_LIB_UNDO: undoCommand(s); break;
    case IDM_LIB_MOVEUP: moveCommand(s, -1); break;
    case IDM_LIB_MOVEDOWN: moveCommand(s, 1); break;
    case IDM_LIB_IMPORTFILES:
    case IDM_LIB_IMPORTFOLDER: importCommand(s, id == IDM_LIB_IMPORTFOLDER); break;
    case IDM_LIB_EXPORT: exportCommand(s); break;
    case IDM_LIB_RELOAD: load(s); break;
    case IDM_LIB_CLOSE: DestroyWindow(window); return;
    case IDOK: {
        // Enter: the selected code goes to the box; in the other fields it
        // moves on to the codes.
        HWND focus = GetFocus();
        if (focus == item(IDC_LIB_CODES))
            putInBoxCommand(s);
        else
            SetFocus(item(IDC_LIB_CODES));
        break;
    }
    case IDCANCEL:  // Escape: stops a capture, else closes the window
        if (s->capturing)
            stopCapture(s, "Capture stopped.");
        else
            DestroyWindow(window);
        return;
    }
    updateCommands(s);
}

// The commands follow the lists' selections once a change is over: a list
// tells of each row it selects and lets go of, one by one.
void commandsLater(State* s)
{
    if (!s->commandsPosted)
        s->commandsPosted = PostMessageW(window, MSG_COMMANDS, 0, 0) != FALSE;
}

// The remotes list's selection changed, by the user: the codes shown are
// the focused selected remote's, or the first selected one's.
void remotesSelected(State* s)
{
    if (s->selecting || !s->lib)
        return;
    HWND list = item(IDC_LIB_REMOTES);
    int row = lvNext(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (row < 0)
        row = lvSelected(list);
    LPARAM data = row >= 0 && static_cast<size_t>(row) < s->remoteRows.size() ? s->remoteRows[row].data : 0;
    if (data >= 0 && data != s->remote) {
        s->remote = static_cast<int>(data);
        if (s->remote && s->lib->refresh(s->remote))
            s->index.erase(s->remote);
        if (s->remote && !s->lib->find(s->remote)) {
            // Gone, or not readable after all: the lists show what is there.
            size_t bad = s->lib->unreadable().size();
            fillRemotes(s);
            if (bad)
                say(s->lib->unreadable().back().file + " cannot be read: it is listed last.");
        } else {
            fillCodes(s);
        }
    } else if (data < 0) {
        s->remote = 0;
        fillCodes(s);
        const library::Unreadable& bad = s->lib->unreadable()[static_cast<size_t>(-data - 1)];
        say(bad.file + (bad.error.line ? " line " + std::to_string(bad.error.line) : "") + ": " + bad.error.reason +
            ". Pellwick leaves the file as it is.");
    }
    commandsLater(s);
}

// A row's text, asked for as the list draws it.
void rowText(const std::vector<Row>& rows, NMLVDISPINFOW* info)
{
    LVITEMW& it = info->item;
    if (!(it.mask & LVIF_TEXT) || it.iItem < 0 || static_cast<size_t>(it.iItem) >= rows.size() || it.iSubItem < 0 ||
        it.iSubItem > 2 || it.cchTextMax <= 0)
        return;
    lstrcpynW(it.pszText, rows[static_cast<size_t>(it.iItem)].text[it.iSubItem].c_str(), it.cchTextMax);
}

// A name typed while the list has the focus: the next row from iStart
// whose name starts so, in any case.
int findRow(const std::vector<Row>& rows, const NMLVFINDITEMW* find)
{
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz || rows.empty())
        return -1;
    std::wstring typed = lower(find->lvfi.psz);
    size_t start = find->iStart >= 0 ? static_cast<size_t>(find->iStart) % rows.size() : 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        size_t i = (start + k) % rows.size();
        if (lower(rows[i].text[0].substr(0, typed.size())) == typed)
            return static_cast<int>(i);
    }
    return -1;
}

LRESULT onNotify(State* s, const NMHDR* n)
{
    if (n->idFrom != IDC_LIB_REMOTES && n->idFrom != IDC_LIB_CODES)
        return 0;
    int listId = static_cast<int>(n->idFrom);
    const std::vector<Row>& rows = listId == IDC_LIB_CODES ? s->codeRows : s->remoteRows;
    switch (n->code) {
    case LVN_GETDISPINFOW:
        rowText(rows, reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(n)));
        break;
    case LVN_ODFINDITEMW:
        return findRow(rows, reinterpret_cast<const NMLVFINDITEMW*>(n));
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        if (listId == IDC_LIB_REMOTES)
            remotesSelected(s);
        else
            commandsLater(s);
        break;
    case NM_DBLCLK:
        if (listId == IDC_LIB_CODES)
            putInBoxCommand(s);
        break;
    case LVN_BEGINLABELEDITW: {
        int row = reinterpret_cast<const NMLVDISPINFOW*>(n)->item.iItem;
        return row < 0 || static_cast<size_t>(row) >= rows.size() || rows[static_cast<size_t>(row)].data < 0;
    }
    case LVN_ENDLABELEDITW:
        labelEdited(s, listId, reinterpret_cast<const NMLVDISPINFOW*>(n));
        return FALSE;  // the lists are filled again from the library
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Layout.

// The room a caption needs in the window's font, access key marks left out.
int textWidth(HWND hwnd, HFONT font, const wchar_t* text)
{
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return r.right;
}

// Widths that follow the captions in the window's font at this DPI, so
// that no caption is cut: measured once, when the window opens.
void measure(HWND hwnd, State* s)
{
    int padding = std::max(16, twips::toPixelsX(BUTTON_PADDING));
    for (const Item& i : ITEMS) {
        int text = textWidth(hwnd, s->font, i.caption);
        if (i.id == IDC_LIB_LEARN)
            text = std::max(text, textWidth(hwnd, s->font, STOP_LEARNING));
        bool button = wcscmp(i.cls, BUTTON) == 0;
        s->width[i.id] = std::max(twips::toPixelsX(i.width), text + (button ? padding : 4));
    }
    // The codes list's Length column: its title whole.
    s->width[IDC_LIB_CODES] = std::max(twips::toPixelsX(1050), textWidth(hwnd, s->font, LENGTH_TITLE) + padding);
    int remoteButtons = 0;
    for (int id : {IDC_LIB_NEW, IDC_LIB_RENAMEREMOTE, IDC_LIB_DELETEREMOTE})
        remoteButtons += s->width[id];
    s->leftWidth = std::max(twips::toPixelsX(LEFT_WIDTH), remoteButtons + 2 * twips::toPixelsX(GAP));
}

// The buttons under the lists, flowed into as many rows as the width needs:
// each one's left edge and row (0 first); returns the number of rows.
int flowButtons(State* s, int right, std::vector<std::pair<int, POINT>>* placed)
{
    int left = twips::toPixelsX(MARGIN), x = left, row = 0;
    for (const Item& i : ITEMS) {
        if (!i.width)
            continue;
        if (x > left && x + s->width[i.id] > right) {
            x = left;
            ++row;
        }
        if (placed)
            placed->push_back({i.id, POINT{x, row}});
        x += s->width[i.id] + twips::toPixelsX(GAP);
    }
    return row + 1;
}

// The smallest client area that shows every control whole: both lists a
// few rows high, the buttons in as many rows as that width needs.
SIZE minimumClient(State* s)
{
    auto px = [](int t) { return twips::toPixelsX(t); };
    auto py = [](int t) { return twips::toPixelsY(t); };
    int width = std::max(px(MIN_WIDTH), px(MARGIN) + s->leftWidth + px(GAP) + px(CODES_MIN_WIDTH) + px(MARGIN));
    for (const Item& i : ITEMS)
        width = std::max(width, 2 * px(MARGIN) + s->width[i.id] * (i.width ? 1 : 0));
    int rows = flowButtons(s, width - px(MARGIN), nullptr);
    int height = py(MARGIN + FIELD_HEIGHT + GAP + LISTS_MIN_HEIGHT + GAP + BUTTON_HEIGHT + GAP + GAP) +
                 rows * py(BUTTON_HEIGHT + GAP) + py(STATUS_HEIGHT + MARGIN);
    SIZE least = {width, std::max(py(MIN_HEIGHT), height)};
    return least;
}

void layout(HWND hwnd)
{
    State* s = stateOf(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    // Shown, or restored, at the size it was laid out for: nothing moves.
    if (!s || (client.right == s->laidOut.cx && client.bottom == s->laidOut.cy))
        return;
    s->laidOut = SIZE{client.right, client.bottom};
    auto px = [](int t) { return twips::toPixelsX(t); };
    auto py = [](int t) { return twips::toPixelsY(t); };
    // Every control is moved without painting, then the window is painted
    // once: painted one by one, a control moved away from another's new
    // place could leave a stripe of the background over it.
    auto place = [&](int id, int left, int top, int right, int bottom) {
        MoveWindow(GetDlgItem(hwnd, id), left, top, std::max(0, right - left), std::max(0, bottom - top), FALSE);
    };
    int right = client.right - px(MARGIN), bottom = client.bottom - py(MARGIN);
    std::vector<std::pair<int, POINT>> buttons;
    int rows = flowButtons(s, right, &buttons);
    int statusTop = bottom - py(STATUS_HEIGHT);
    int buttonsTop = statusTop - rows * py(BUTTON_HEIGHT + GAP);
    for (const auto& b : buttons) {
        int top = buttonsTop + b.second.y * py(BUTTON_HEIGHT + GAP);
        place(b.first, b.second.x, top, b.second.x + s->width[b.first], top + py(BUTTON_HEIGHT));
    }
    place(IDC_LIB_STATUS, px(MARGIN), statusTop, right, bottom);
    int listsBottom = buttonsTop - py(GAP + GAP);

    // Left: the remotes, their buttons in a row below them.
    int top = py(MARGIN), leftRight = px(MARGIN) + s->leftWidth;
    place(IDC_LIB_LBLREMOTES, px(MARGIN), top + py(45), leftRight, top + py(45 + LABEL_HEIGHT));
    int remoteButtons = listsBottom - py(BUTTON_HEIGHT);
    place(IDC_LIB_REMOTES, px(MARGIN), top + py(FIELD_HEIGHT + GAP), leftRight, remoteButtons - py(GAP));
    int x = px(MARGIN);
    for (int id : {IDC_LIB_NEW, IDC_LIB_RENAMEREMOTE, IDC_LIB_DELETEREMOTE}) {
        int w = id == IDC_LIB_DELETEREMOTE ? leftRight - x : s->width[id];
        place(id, x, remoteButtons, x + w, listsBottom);
        x += w + px(GAP);
    }

    // Right: the filter, the codes.
    int codesLeft = leftRight + px(GAP);
    int labelWidth = s->width[IDC_LIB_LBLFILTER];
    place(IDC_LIB_LBLFILTER, codesLeft, top + py(45), codesLeft + labelWidth, top + py(45 + LABEL_HEIGHT));
    place(IDC_LIB_FILTER, codesLeft + labelWidth + px(60), top, right, top + py(FIELD_HEIGHT));
    int codesTop = top + py(FIELD_HEIGHT + GAP);
    place(IDC_LIB_LBLCODES, codesLeft, codesTop, right, codesTop + py(LABEL_HEIGHT));
    place(IDC_LIB_CODES, codesLeft, codesTop + py(LABEL_HEIGHT), right, listsBottom);

    // Columns: the name and the decode share the width, the length keeps its own.
    HWND codes = GetDlgItem(hwnd, IDC_LIB_CODES);
    RECT inside;
    GetClientRect(codes, &inside);
    int length = s->width[IDC_LIB_CODES];
    int width = inside.right - GetSystemMetrics(SM_CXVSCROLL) - length;
    SendMessageW(codes, LVM_SETCOLUMNWIDTH, 0, std::max(px(600), width * 2 / 5));
    SendMessageW(codes, LVM_SETCOLUMNWIDTH, 1, std::max(px(600), width - width * 2 / 5));
    SendMessageW(codes, LVM_SETCOLUMNWIDTH, 2, length);
    HWND remotes = GetDlgItem(hwnd, IDC_LIB_REMOTES);
    GetClientRect(remotes, &inside);
    SendMessageW(remotes, LVM_SETCOLUMNWIDTH, 0, inside.right - GetSystemMetrics(SM_CXVSCROLL));
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void createControls(HWND hwnd, State* s)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    s->font = twips::font("MS Shell Dlg 2", 8, false);
    for (const Item& i : ITEMS) {
        DWORD exStyle = wcscmp(i.cls, WC_LISTVIEWW) == 0 || i.id == IDC_LIB_FILTER ? WS_EX_CLIENTEDGE : 0;
        HWND child = CreateWindowExW(exStyle, i.cls, i.caption, WS_CHILD | WS_VISIBLE | i.style, 0, 0, 0, 0, hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(i.id)), instance, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(s->font), FALSE);
    }
    HWND codes = GetDlgItem(hwnd, IDC_LIB_CODES), remotes = GetDlgItem(hwnd, IDC_LIB_REMOTES);
    for (HWND list : {codes, remotes}) {
        SendMessageW(list, LVM_SETUNICODEFORMAT, TRUE, 0);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    }
    const wchar_t* headers[] = {L"Name", L"Decode", LENGTH_TITLE};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = c == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = 100;
        column.pszText = const_cast<wchar_t*>(headers[c]);
        column.iSubItem = c;
        SendMessageW(codes, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageW(remotes, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    measure(hwnd, s);
    layout(hwnd);
}

HMENU createMenuBar()
{
    HMENU bar = CreateMenu(), lib = CreatePopupMenu(), code = CreatePopupMenu();
    AppendMenuW(lib, MF_STRING, IDC_LIB_NEW, L"&New remote");
    AppendMenuW(lib, MF_STRING, IDC_LIB_RENAMEREMOTE, L"Rena&me remote");
    AppendMenuW(lib, MF_STRING, IDC_LIB_DELETEREMOTE, L"&Delete remote...");
    AppendMenuW(lib, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(lib, MF_STRING, IDM_LIB_IMPORTFILES, L"&Import files...");
    AppendMenuW(lib, MF_STRING, IDM_LIB_IMPORTFOLDER, L"Import &folder...");
    AppendMenuW(lib, MF_STRING, IDM_LIB_EXPORT, L"&Export...");
    AppendMenuW(lib, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(lib, MF_STRING, IDM_LIB_RELOAD, L"&Reload\tF5");
    AppendMenuW(lib, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(lib, MF_STRING, IDM_LIB_CLOSE, L"&Close\tEsc");
    AppendMenuW(code, MF_STRING, IDC_LIB_LEARN, L"Learn &into library");
    AppendMenuW(code, MF_STRING, IDC_LIB_ADD, L"&Add code in box");
    AppendMenuW(code, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(code, MF_STRING, IDC_LIB_PUT, L"&Put in box\tEnter");
    AppendMenuW(code, MF_STRING, IDC_LIB_TRANSMIT, L"&Transmit");
    AppendMenuW(code, MF_STRING, IDC_LIB_INJECT, L"In&ject");
    AppendMenuW(code, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(code, MF_STRING, IDM_LIB_RENAMECODE, L"&Rename\tF2");
    AppendMenuW(code, MF_STRING, IDM_LIB_DELETECODE, L"&Delete\tDel");
    AppendMenuW(code, MF_STRING, IDM_LIB_UNDO, L"&Undo delete\tCtrl+Z");
    AppendMenuW(code, MF_STRING, IDM_LIB_MOVEUP, L"Move &up\tAlt+Up");
    AppendMenuW(code, MF_STRING, IDM_LIB_MOVEDOWN, L"Move do&wn\tAlt+Down");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(lib), L"&Library");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(code), L"&Code");
    return bar;
}

// Beside the main window, where it covers neither the code box nor the
// buttons: on the wider free side of the screen, as wide as that side
// allows (never narrower than the smallest size).
RECT besideOwner(HWND owner, DWORD style)
{
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, style, TRUE, 0);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT least = {0, 0, twips::toPixelsX(MIN_WIDTH), twips::toPixelsY(MIN_HEIGHT)};
    AdjustWindowRectEx(&least, style, TRUE, 0);
    RECT workArea, mainArea;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    GetWindowRect(owner, &mainArea);
    int workLeft = workArea.left, workTop = workArea.top, workRight = workArea.right, workBottom = workArea.bottom;
    int mainLeft = mainArea.left, mainTop = mainArea.top, mainRight = mainArea.right, mainBottom = mainArea.bottom;
    int rightRoom = workRight - mainRight, leftRoom = mainLeft - workLeft;
    width = std::max(std::min(width, std::max(rightRoom, leftRoom)), static_cast<int>(least.right - least.left));
    height = std::min(std::max(height, mainBottom - mainTop), workBottom - workTop);
    int x = rightRoom >= leftRoom ? std::min(mainRight, workRight - width) : std::max(mainLeft - width, workLeft);
    int y = std::max(workTop, std::min(mainTop, workBottom - height));
    RECT r = {x, y, x + width, y + height};
    return r;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    State* s = stateOf(hwnd);
    switch (msg) {
    case WM_CREATE:
        window = hwnd;
        s = new State;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
        createControls(hwnd, s);
        forms::loaded(hwnd);
        return 0;
    case WM_SIZE:
        layout(hwnd);
        return 0;
    case WM_GETMINMAXINFO: {
        SIZE least = s ? minimumClient(s) : SIZE{twips::toPixelsX(MIN_WIDTH), twips::toPixelsY(MIN_HEIGHT)};
        RECT frame = {0, 0, least.cx, least.cy};
        AdjustWindowRectEx(&frame, GetWindowLongW(hwnd, GWL_STYLE), TRUE, GetWindowLongW(hwnd, GWL_EXSTYLE));
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = frame.right - frame.left;
        info->ptMinTrackSize.y = frame.bottom - frame.top;
        return 0;
    }
    case WM_COMMAND:
        if (!s)
            break;
        if (LOWORD(wParam) == IDC_LIB_FILTER) {
            if (HIWORD(wParam) == EN_CHANGE && s->lib) {
                s->filter = lower(textOf(item(IDC_LIB_FILTER)));
                fillRemotes(s);
                updateCommands(s);
                if (!s->filter.empty() && !allIndexed(s))
                    say(FILTERING);
            }
            return 0;
        }
        if (HIWORD(wParam) <= 1)  // a button, a menu item or an accelerator
            onCommand(s, LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return s ? onNotify(s, reinterpret_cast<const NMHDR*>(lParam)) : 0;
    case WM_TIMER:
        if (!s)
            break;
        if (wParam == STATE_TIMER) {
            updateCommands(s);
        } else if (wParam == RETRY_TIMER && s->lib) {
            std::string why;
            if (s->lib->retry(&why)) {
                KillTimer(hwnd, RETRY_TIMER);
                say("Saved: every change is on disk now.");
                fillRemotes(s);
            }
        } else if (wParam == INDEX_TIMER && (!s->lib || !readAhead(s))) {
            KillTimer(hwnd, INDEX_TIMER);
        }
        return 0;
    case MSG_NEXT_LEARN:
        if (s && s->capturing)
            startLearn(s);
        return 0;
    case MSG_COMMANDS:
        if (s) {
            s->commandsPosted = false;
            updateCommands(s);
        }
        return 0;
    case MSG_LEARN_ENDED: {
        std::unique_ptr<std::string> code(reinterpret_cast<std::string*>(lParam));
        if (s)
            onLearnEnded(s, *code);
        return 0;
    }
    case WM_ACTIVATE:
        if (!s)
            break;
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus))
                s->lastFocus = focus;
        } else if (s->lib && s->remote && s->lib->refresh(s->remote)) {
            // Another program changed the remote while the window was in the back.
            s->index.erase(s->remote);
            fillRemotes(s);
            say("The remote was changed by another program and has been read again.");
        }
        break;
    case WM_SETFOCUS:
        if (s)
            SetFocus(s->lastFocus && IsWindow(s->lastFocus) ? s->lastFocus : item(IDC_LIB_CODES));
        return 0;
    case DM_GETDEFID:
        return 0;  // no default button: Enter is handled as IDOK
    case WM_NEXTDLGCTL:
        // The dialog manager moves the focus this way for a label's access
        // key: to the label, then on to the control after it.
        SetFocus(LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                : GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0));
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (s && s->capturing)
            stopCapture(s, "");
        GetWindowRect(hwnd, &lastPlace);
        forms::unloaded(hwnd);
        if (window == hwnd)
            window = nullptr;
        return 0;
    case WM_NCDESTROY:
        if (s) {
            DeleteObject(s->font);
            delete s;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool registerClass()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = CLASS_NAME;
    return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The list views come from Common Controls, loaded when the window first
// opens: start-up loads nothing of the library.
bool loadCommonControls()
{
    typedef BOOL(WINAPI * Init)(const INITCOMMONCONTROLSEX*);
    Init init = sysdll::function<Init>(L"comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    return init && init(&controls);
}

// Keys the dialog manager does not know, for the focused list.
bool listKey(State* s, const MSG* msg)
{
    HWND focus = GetFocus();
    bool codes = focus == item(IDC_LIB_CODES), remotes = focus == item(IDC_LIB_REMOTES);
    bool alt = GetKeyState(VK_MENU) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    int command = 0;
    if (msg->wParam == VK_F5 && !alt && !ctrl)
        command = IDM_LIB_RELOAD;
    else if (msg->wParam == VK_F2 && (codes || remotes))
        command = codes ? IDM_LIB_RENAMECODE : IDC_LIB_RENAMEREMOTE;
    else if (msg->wParam == VK_DELETE && (codes || remotes))
        command = codes ? IDM_LIB_DELETECODE : IDC_LIB_DELETEREMOTE;
    else if (msg->wParam == 'Z' && ctrl && !alt && (codes || remotes))
        command = IDM_LIB_UNDO;
    else if ((msg->wParam == VK_UP || msg->wParam == VK_DOWN) && alt && codes)
        command = msg->wParam == VK_UP ? IDM_LIB_MOVEUP : IDM_LIB_MOVEDOWN;
    if (!command)
        return false;
    onCommand(s, command);
    return true;
}

}  // namespace

void open(HWND owner)
{
    if (window) {
        if (IsIconic(window))
            ShowWindow(window, SW_RESTORE);
        if (frmLibraryFiles::busy())
            frmLibraryFiles::bringForward();
        else
            SetForegroundWindow(window);
        return;
    }
    if (!loadCommonControls() || !registerClass())
        return;
    // The library's files are read on a thread of their own while this one
    // makes the window and shows it; the lists are filled when both are done.
    std::string error;
    bool listed = false;
    std::unique_ptr<library::Library> lib;
    std::string folder = libraryFolder();
    std::thread reader([&] { lib = listLibrary(folder, &error, &listed); });
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT at = lastPlace.right > lastPlace.left ? lastPlace : besideOwner(owner, style);
    HWND created = CreateWindowExW(0, CLASS_NAME, TITLE, style, at.left, at.top, at.right - at.left,
                                   at.bottom - at.top, owner, createMenuBar(), GetModuleHandleW(nullptr), nullptr);
    if (!created) {
        reader.join();
        return;
    }
    State* s = stateOf(created);
    // The place kept from the last time, or chosen before the captions
    // were measured, may be smaller than they need now.
    SIZE least = minimumClient(s);
    RECT client;
    GetClientRect(created, &client);
    if (client.right < least.cx || client.bottom < least.cy) {
        RECT frame = {0, 0, std::max<LONG>(client.right, least.cx), std::max<LONG>(client.bottom, least.cy)};
        AdjustWindowRectEx(&frame, style, TRUE, 0);
        SetWindowPos(created, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SetTimer(created, STATE_TIMER, STATE_MS, nullptr);
    ShowWindow(created, SW_SHOWNORMAL);
    SetFocus(item(IDC_LIB_CODES));
    reader.join();
    showLibrary(s, std::move(lib), listed, error);
}

bool isDialogMessage(MSG* msg)
{
    if (frmLibraryFiles::isDialogMessage(msg))
        return true;
    if (!window || (msg->hwnd != window && !IsChild(window, msg->hwnd)))
        return false;
    // A name being typed in a list takes every key, Enter and Escape included.
    HWND focus = GetFocus();
    HWND parent = focus ? GetParent(focus) : nullptr;
    if (parent && (parent == item(IDC_LIB_CODES) || parent == item(IDC_LIB_REMOTES)))
        return false;
    if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && listKey(stateOf(window), msg))
        return true;
    return IsDialogMessageW(window, msg) != FALSE;
}

void learnEnded(const std::string& code)
{
    // After the main window is done with its end of the learn.
    if (window)
        PostMessageW(window, MSG_LEARN_ENDED, 0, reinterpret_cast<LPARAM>(new std::string(code)));
}

}  // namespace frmLibrary
