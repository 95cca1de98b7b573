// Import and Export of the library window. The common dialogs come from
// comdlg32.dll and ole32.dll, loaded when first used: start-up loads
// nothing of the library.
#include "frmLibraryFiles.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "library/fsio.h"
#include "library/library.h"
#include "library/transfer.h"
#include "ui/forms.h"
#include "ui/ids.h"
#include "ui/sysdll.h"
#include "ui/twips.h"

namespace frmLibraryFiles {

namespace {

namespace fmt = ir::formats;

std::wstring wide(const std::string& utf8) { return library::fsio::toWide(utf8); }
std::string utf8(const std::wstring& w) { return library::fsio::fromWide(w); }

// Line ends as an edit control and a message box show them.
std::wstring windowsLines(const std::string& text)
{
    std::wstring w = wide(text), out;
    out.reserve(w.size() + w.size() / 20);
    for (wchar_t c : w) {
        if (c == L'\n')
            out += L'\r';
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Choosing files and folders.

// The files chosen in an Open dialog that takes several; they are named in
// the summary by their names alone.
bool chooseFiles(HWND owner, std::vector<std::string>* paths, std::vector<std::string>* shown)
{
    typedef BOOL(WINAPI * Open)(OPENFILENAMEW*);
    Open open = sysdll::function<Open>(L"comdlg32.dll", "GetOpenFileNameW");
    if (!open)
        return false;
    std::vector<wchar_t> buffer(1 << 18, L'\0');
    OPENFILENAMEW o = {};
    o.lStructSize = sizeof o;
    o.hwndOwner = owner;
    // The format is found from the content: LIRC's files often have no ending.
    o.lpstrFilter = L"All files (*.*)\0*.*\0"
                    L"Code files (*.conf, *.ir, *.json, *.txt, *.csv)\0*.conf;*.ir;*.json;*.txt;*.csv\0";
    o.lpstrFile = buffer.data();
    o.nMaxFile = static_cast<DWORD>(buffer.size());
    o.lpstrTitle = L"Import code files";
    o.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              OFN_NOCHANGEDIR;
    if (!open(&o))
        return false;
    // One file: its path. Several: the folder, then each name.
    std::wstring first = buffer.data();
    const wchar_t* next = buffer.data() + first.size() + 1;
    paths->clear();
    shown->clear();
    if (!*next) {
        paths->push_back(utf8(first));
        shown->push_back(utf8(first.substr(first.find_last_of(L"\\/") + 1)));
    }
    for (; *next; next += wcslen(next) + 1) {
        paths->push_back(library::fsio::join(utf8(first), utf8(next)));
        shown->push_back(utf8(next));
    }
    return !paths->empty();
}

// A folder, chosen in the Open dialog's folder form, or in the older
// folder tree where that is missing.
bool chooseFolder(HWND owner, std::string* folder)
{
    typedef HRESULT(WINAPI * Init)(LPVOID, DWORD);
    typedef void(WINAPI * Uninit)();
    typedef HRESULT(WINAPI * Create)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    typedef void(WINAPI * Free)(LPVOID);
    Init init = sysdll::function<Init>(L"ole32.dll", "CoInitializeEx");
    Uninit uninit = sysdll::function<Uninit>(L"ole32.dll", "CoUninitialize");
    Create create = sysdll::function<Create>(L"ole32.dll", "CoCreateInstance");
    Free free = sysdll::function<Free>(L"ole32.dll", "CoTaskMemFree");
    if (!init || !uninit || !create || !free)
        return false;
    HRESULT com = init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    IFileOpenDialog* dialog = nullptr;
    bool chosen = false, asked = false;
    if (SUCCEEDED(create(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                         reinterpret_cast<void**>(&dialog)))) {
        asked = true;
        DWORD options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(L"Import a folder of code files");
        IShellItem* item = nullptr;
        wchar_t* path = nullptr;
        if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item)) &&
            SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            *folder = utf8(path);
            chosen = true;
        }
        if (path)
            free(path);
        if (item)
            item->Release();
        dialog->Release();
    }
    if (!asked) {
        wchar_t name[MAX_PATH] = {};
        BROWSEINFOW info = {};
        info.hwndOwner = owner;
        info.pszDisplayName = name;
        info.lpszTitle = L"Import a folder of code files";
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
        typedef PIDLIST_ABSOLUTE(WINAPI * Browse)(LPBROWSEINFOW);
        typedef BOOL(WINAPI * PathOf)(PCIDLIST_ABSOLUTE, LPWSTR);
        Browse browse = sysdll::function<Browse>(L"shell32.dll", "SHBrowseForFolderW");
        PathOf pathOf = sysdll::function<PathOf>(L"shell32.dll", "SHGetPathFromIDListW");
        if (PIDLIST_ABSOLUTE list = browse && pathOf ? browse(&info) : nullptr) {
            wchar_t path[MAX_PATH] = {};
            chosen = pathOf(list, path) != FALSE;
            *folder = utf8(path);
            free(list);
        }
    }
    if (SUCCEEDED(com))
        uninit();
    return chosen;
}

// ---------------------------------------------------------------------------
// The import's dialog.

const UINT MSG_READING = WM_APP + 20;  // the worker: wParam files read of lParam
const UINT MSG_READ = WM_APP + 21;     // the worker is done
// The next few remotes are written when the timer fires: a timer comes
// after the user's input and the painting, where a posted message would
// come before them.
const UINT_PTR WRITE_TIMER = 1;
const DWORD PROGRESS_MS = 50, WRITE_SLICE_MS = 30;

// Client area and controls, in twips.
const int CLIENT_WIDTH = 6600, CLIENT_HEIGHT = 4560;
struct Place {
    int id, left, top, width, height;
};
const Place PLACES[] = {
    {IDC_IMP_TEXT, 120, 120, 6360, 255},
    {IDC_IMP_PROGRESS, 120, 450, 6360, 255},
    {IDC_IMP_SUMMARY, 120, 825, 6360, 3075},
    {IDCANCEL, 5265, 4065, 1215, 375},
};

// What the worker thread shares with the dialog. The worker writes files
// and cancelled, then posts MSG_READ; the dialog reads them after joining it.
struct Reading {
    std::string folder;  // a folder to look through first, or empty
    std::vector<std::string> paths, shown;
    std::atomic<bool> stop{false};
    bool cancelled = false;
    std::string failed;  // the folder could not be read
    std::vector<library::FileToImport> files;
    HWND dialog = nullptr;
};

struct Session {
    HWND dialog = nullptr, owner = nullptr;
    library::Library* lib = nullptr;
    Imported done;
    std::shared_ptr<Reading> reading;
    std::thread worker;
    std::unique_ptr<library::Import> import;
    HFONT font = nullptr;
    bool over = false;
};

Session* session = nullptr;  // one import at a time, as there is one library window

// The worker thread: looks through the folder, reads the files, and tells
// the dialog; it touches nothing else.
void readFiles(const std::shared_ptr<Reading>& job)
{
    try {
        if (!job->folder.empty()) {
            PostMessageW(job->dialog, MSG_READING, 0, 0);
            if (!library::codeFilesIn(job->folder, &job->paths, &job->shown, &job->failed)) {
                PostMessageW(job->dialog, MSG_READ, 0, 0);
                return;
            }
        }
        DWORD last = GetTickCount() - PROGRESS_MS;
        job->files = library::readCodeFiles(job->paths, job->shown, [&](size_t done, size_t total) {
            DWORD now = GetTickCount();
            if (now - last >= PROGRESS_MS || done == total) {
                last = now;
                PostMessageW(job->dialog, MSG_READING, done, static_cast<LPARAM>(total));
            }
            return !job->stop;
        }, &job->cancelled);
    } catch (const std::exception& e) {
        job->files.clear();
        job->failed = std::string("the files could not be read (") + e.what() + ")";
    }
    PostMessageW(job->dialog, MSG_READ, 0, 0);
}

void setText(int id, const std::wstring& text) { SetDlgItemTextW(session->dialog, id, text.c_str()); }

void progress(size_t done, size_t total)
{
    HWND bar = GetDlgItem(session->dialog, IDC_IMP_PROGRESS);
    SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(total ? total : 1));
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
}

// The import is over: what came in, and Close.
void finish(const std::string& outcome, const std::string& summary)
{
    session->over = true;
    KillTimer(session->dialog, WRITE_TIMER);
    setText(IDC_IMP_TEXT, wide(outcome));
    setText(IDC_IMP_SUMMARY, windowsLines(summary));
    setText(IDCANCEL, L"Close");
    EnableWindow(GetDlgItem(session->dialog, IDCANCEL), TRUE);
    SendMessageW(session->dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(session->dialog, IDCANCEL)),
                 TRUE);
    std::vector<int> ids = session->import ? session->import->ids() : std::vector<int>();
    if (session->done)
        session->done(ids, outcome);
}

void onRead()
{
    Reading& r = *session->reading;
    if (session->worker.joinable())
        session->worker.join();
    if (!r.failed.empty()) {
        finish("Nothing was imported: " + r.failed + ".", "");
        return;
    }
    if (r.cancelled || r.stop) {
        finish("Cancelled: nothing was imported, the library is as it was.", "");
        return;
    }
    session->import.reset(new library::Import(session->lib, std::move(r.files)));
    if (session->import->state() != library::Import::WRITING) {
        finish(session->import->outcome(), session->import->summary());
        return;
    }
    progress(0, session->import->total());
    SetTimer(session->dialog, WRITE_TIMER, USER_TIMER_MINIMUM, nullptr);
}

void onWrite()
{
    library::Import* import = session->import.get();
    if (session->over || !import)
        return;
    DWORD start = GetTickCount();
    while (import->step() && GetTickCount() - start < WRITE_SLICE_MS) {
    }
    if (import->state() != library::Import::WRITING) {
        finish(import->outcome(), import->summary());
        return;
    }
    progress(import->written(), import->total());
    setText(IDC_IMP_TEXT, wide(import->outcome()));
}

// Cancel while the import runs (everything it wrote is taken back), Close after.
void onCancel()
{
    if (session->over) {
        DestroyWindow(session->dialog);
    } else if (session->import) {
        session->import->cancel();
        finish(session->import->outcome(), session->import->summary());
    } else {
        session->reading->stop = true;
        setText(IDC_IMP_TEXT, L"Stopping...");
        EnableWindow(GetDlgItem(session->dialog, IDCANCEL), FALSE);
    }
}

void layout(HWND dlg)
{
    for (const Place& p : PLACES) {
        int x = twips::toPixelsX(p.left), y = twips::toPixelsY(p.top);
        HWND control = GetDlgItem(dlg, p.id);
        MoveWindow(control, x, y, twips::toPixelsX(p.left + p.width) - x, twips::toPixelsY(p.top + p.height) - y,
                   FALSE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(session->font), FALSE);
    }
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, GetWindowLongW(dlg, GWL_STYLE), FALSE, GetWindowLongW(dlg, GWL_EXSTYLE));
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    POINT at = forms::centredOver(session->owner, width, height);
    MoveWindow(dlg, at.x, at.y, width, height, FALSE);
}

INT_PTR CALLBACK DlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        session->dialog = dlg;
        session->font = twips::font("MS Shell Dlg 2", 8, false);
        layout(dlg);
        SendDlgItemMessageW(dlg, IDC_IMP_SUMMARY, EM_SETLIMITTEXT, 0, 0);
        setText(IDC_IMP_TEXT, L"Looking for code files...");
        session->reading->dialog = dlg;
        std::shared_ptr<Reading> job = session->reading;
        session->worker = std::thread([job] { readFiles(job); });
        return TRUE;
    }
    case MSG_READING:
        if (session && !session->import && !session->reading->stop) {
            size_t done = static_cast<size_t>(wParam), total = static_cast<size_t>(lParam);
            progress(done, total);
            const Reading& r = *session->reading;
            if (total && done < total && done < r.shown.size())
                setText(IDC_IMP_TEXT, L"Reading file " + std::to_wstring(done + 1) + L" of " + std::to_wstring(total) +
                                          L": " + wide(r.shown[done]));
        }
        return TRUE;
    case MSG_READ:
        if (session && !session->import)
            onRead();
        return TRUE;
    case WM_TIMER:
        if (session && wParam == WRITE_TIMER)
            onWrite();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || (LOWORD(wParam) == IDOK && session->over))
            onCancel();
        return TRUE;
    case WM_CLOSE:
        onCancel();
        return TRUE;
    case WM_DESTROY:
        // Closed with its owner (Pellwick exits): what runs stops, and what
        // an unfinished import wrote is taken back.
        if (session->worker.joinable()) {
            session->reading->stop = true;
            session->worker.join();
        }
        if (session->import)
            session->import->cancel();
        if (IsWindow(session->owner)) {
            EnableWindow(session->owner, TRUE);
            SetActiveWindow(session->owner);
        }
        return TRUE;
    case WM_NCDESTROY:
        DeleteObject(session->font);
        delete session;
        session = nullptr;
        return FALSE;
    }
    return FALSE;
}

bool start(HWND owner, library::Library* lib, const Imported& done, std::shared_ptr<Reading> reading)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    typedef BOOL(WINAPI * InitControls)(const INITCOMMONCONTROLSEX*);
    if (InitControls init = sysdll::function<InitControls>(L"comctl32.dll", "InitCommonControlsEx"))
        init(&controls);
    session = new Session;
    session->owner = owner;
    session->lib = lib;
    session->done = done;
    session->reading = std::move(reading);
    HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LIBIMPORT), owner, DlgProc, 0);
    if (!dlg) {
        delete session;
        session = nullptr;
        return false;
    }
    EnableWindow(owner, FALSE);
    ShowWindow(dlg, SW_SHOW);
    return true;
}

// ---------------------------------------------------------------------------
// Export.

// The Save dialog's list of formats, in the formats core's order.
std::wstring saveFilter()
{
    std::wstring filter;
    for (const fmt::FormatInfo& f : fmt::formatList()) {
        std::wstring pattern = L"*" + wide(f.extension);
        if (f.format == fmt::Format::Lirc)
            pattern += L";*.conf";
        filter += wide(f.title) + L" (" + pattern + L")" + L'\0' + pattern + L'\0';
    }
    return filter + L'\0';
}

bool hasExtension(const std::wstring& path)
{
    size_t dot = path.find_last_of(L'.'), slash = path.find_last_of(L"\\/");
    return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
}

// "Power: not valid Pronto ...", a line each, at most a screenful.
std::string problemLines(const std::vector<fmt::Problem>& problems, const char* what)
{
    std::string text;
    for (size_t i = 0; i < problems.size() && i < 15; ++i)
        text += std::string("\n") + what + fmt::problemText(problems[i]);
    if (problems.size() > 15)
        text += "\nand " + std::to_string(problems.size() - 15) + " more";
    return text;
}

unsigned lastFormat = 1;  // the Save dialog's choice, kept for the session

}  // namespace

bool importFiles(HWND window, library::Library* lib, const Imported& done)
{
    std::shared_ptr<Reading> reading(new Reading);
    return !session && chooseFiles(window, &reading->paths, &reading->shown) && start(window, lib, done, reading);
}

bool importFolder(HWND window, library::Library* lib, const Imported& done)
{
    std::shared_ptr<Reading> reading(new Reading);
    return !session && chooseFolder(window, &reading->folder) && start(window, lib, done, reading);
}

bool busy() { return session != nullptr; }

void bringForward()
{
    if (session)
        SetForegroundWindow(session->dialog);
}

bool isDialogMessage(MSG* msg)
{
    return session && session->dialog && IsDialogMessageW(session->dialog, msg) != FALSE;
}

std::string exportRemotes(HWND window, const std::vector<library::Remote>& remotes)
{
    typedef BOOL(WINAPI * Save)(OPENFILENAMEW*);
    Save save = sysdll::function<Save>(L"comdlg32.dll", "GetSaveFileNameW");
    if (remotes.empty() || !save)
        return std::string();
    // The remote's name as a file name, the extension to come.
    std::string suggested = library::fileNameFor(remotes.size() == 1 ? remotes[0].name : "Remotes",
                                                 [](const std::string&) { return false; });
    std::wstring name = wide(suggested.substr(0, suggested.size() - 5));
    std::vector<wchar_t> path(32768, L'\0');
    name.copy(path.data(), std::min(name.size(), path.size() - 1));
    std::wstring filter = saveFilter();
    OPENFILENAMEW o = {};
    o.lStructSize = sizeof o;
    o.hwndOwner = window;
    o.lpstrFilter = filter.c_str();
    o.nFilterIndex = lastFormat;
    o.lpstrFile = path.data();
    o.nMaxFile = static_cast<DWORD>(path.size());
    o.lpstrTitle = remotes.size() == 1 ? L"Export remote" : L"Export remotes";
    o.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!save(&o))
        return std::string();
    const std::vector<fmt::FormatInfo>& formats = fmt::formatList();
    lastFormat = o.nFilterIndex >= 1 && o.nFilterIndex <= formats.size() ? o.nFilterIndex : 1;
    const fmt::FormatInfo& format = formats[lastFormat - 1];
    std::wstring chosen = path.data();
    if (!hasExtension(chosen))
        chosen += wide(format.extension);
    std::string file = utf8(chosen);

    // A file there is replaced only when the user says so, and warned of
    // when it is nothing Pellwick reads.
    std::string bytes, why;
    bool missing = false;
    if (library::fsio::readFile(file, &bytes, &why, &missing) || !missing) {
        std::string unreadable = why.empty() ? library::notACodeFile(bytes, file) : why;
        std::wstring question =
            unreadable.empty()
                ? wide(file) + L" already exists.\nReplace it?"
                : wide(file) + L" is not a code file Pellwick reads (" + wide(unreadable) +
                      L").\nReplacing it loses what it holds. Replace it?";
        if (MessageBoxW(window, question.c_str(), L"Export",
                        MB_YESNO | MB_DEFBUTTON2 | (unreadable.empty() ? MB_ICONQUESTION : MB_ICONWARNING)) != IDYES)
            return "Nothing was exported: " + file + " is as it was.";
    }

    fmt::Exported out = library::exportRemotes(remotes, format.format);
    size_t codes = 0;
    for (const library::Remote& r : remotes)
        codes += r.codes.size();
    size_t written = codes - std::min(codes, out.skipped.size());
    std::string problems = problemLines(out.skipped, "not written: ") + problemLines(out.lost, "not kept: ");
    if (written == 0 || out.text.empty()) {
        MessageBoxW(window, windowsLines("Nothing was exported: no code can be written as " +
                                         std::string(format.title) + "." + problems).c_str(),
                    L"Export", MB_OK | MB_ICONWARNING);
        return "Nothing was exported.";
    }
    size_t slash = file.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? "." : file.substr(0, slash);
    if (!library::fsio::writeAtomic(folder, file.substr(slash + 1), out.text, &why)) {
        MessageBoxW(window, wide("Nothing was exported: " + why + ".").c_str(), L"Export", MB_OK | MB_ICONWARNING);
        return "Nothing was exported: " + why + ".";
    }
    std::string done = "Exported " + std::to_string(written) + (written == 1 ? " code" : " codes") + " to " + file +
                       " (" + format.title + ").";
    if (!problems.empty())
        MessageBoxW(window, windowsLines(done + problems).c_str(), L"Export", MB_OK | MB_ICONINFORMATION);
    return done;
}

}  // namespace frmLibraryFiles
