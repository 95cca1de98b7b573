#include "frmGenerate.h"

#include <vector>

#include "app/appinfo.h"
#include "ir/ir.h"
#include "ui/forms.h"
#include "ui/ids.h"
#include "ui/paramform.h"
#include "ui/twips.h"

namespace frmGenerate {

namespace {

// Client area and controls in twips; the dialog template only supplies the
// controls, their tab order and the dialog manager's keys.
const int CLIENT_WIDTH = 6360, CLIENT_HEIGHT = 6045;
// One row per parameter of the chosen protocol, in its order, from the
// top: no protocol has more than six.
const int PARAM_ROWS = 6;
const int ROW_TOP = 1560, ROW_STEP = 420;

struct Place {
    int id;
    int left, top, width, height;
};
// Above the rows, then below them: the part below moves up by a row for
// each row the chosen protocol does not have.
const Place PLACES[] = {
    {IDC_GEN_LBLPROTOCOL, 120, 165, 1200, 255},
    {IDC_GEN_PROTOCOL, 1380, 120, 2640, 3000},  // height includes the drop-down list
    {IDC_GEN_IRP, 120, 540, 6120, 900},
};
const Place PLACES_BELOW[] = {
    {IDC_GEN_LBLDECODE, 120, 4125, 1200, 255},
    {IDC_GEN_DECODE, 1380, 4080, 4860, 315},
    {IDC_GEN_LBLCODE, 120, 4545, 1200, 255},
    {IDC_GEN_CODE, 1380, 4500, 4860, 945},
    {IDOK, 3720, 5580, 1215, 345},
    {IDCANCEL, 5025, 5580, 1215, 345},
};
const int LABEL_LEFT = 120, LABEL_WIDTH = 2400, FIELD_LEFT = 2640, FIELD_WIDTH = 1140;

struct Session {
    std::string* pronto = nullptr;
    HFONT font = nullptr;
    std::vector<paramform::Row> rows;  // of the chosen protocol
    paramform::Checked checked;        // its fields as they read now
    bool filling = false;              // the fields are being set, not typed
};

// What the user chose and typed, offered again at the next opening.
std::string lastProtocol = "NEC1";
paramform::Typed typed;

const ir::ProtocolInfo* chosenProtocol(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, IDC_GEN_PROTOCOL);
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const auto& all = ir::protocols();
    if (index < 0 || static_cast<size_t>(index) >= all.size())
        return nullptr;
    return &all[static_cast<size_t>(index)];
}

std::string fieldText(HWND dlg, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

std::vector<std::string> fieldTexts(HWND dlg, const Session* session)
{
    std::vector<std::string> texts;
    for (size_t row = 0; row < session->rows.size(); ++row)
        texts.push_back(fieldText(dlg, IDC_GEN_VALUE_D + static_cast<int>(row)));
    return texts;
}

// Every field read again: the code they make and its decode, as the
// inspector will name it, or why there is none yet.
void fields_Change(HWND dlg, Session* session)
{
    const ir::ProtocolInfo* protocol = chosenProtocol(dlg);
    if (!protocol || session->filling)
        return;
    int wasBad = session->checked.badRow;
    session->checked = paramform::check(session->rows, fieldTexts(dlg, session));
    std::string pronto, line = session->checked.why;
    if (session->checked.ok() && ir::render(protocol->name, session->checked.params, &pronto, &line)) {
        ir::Signal signal;
        line = ir::parsePronto(pronto, &signal, &line) ? ir::decodeLine(ir::decode(signal)) : line;
    }
    SetDlgItemTextA(dlg, IDC_GEN_DECODE, line.c_str());
    SetDlgItemTextA(dlg, IDC_GEN_CODE, pronto.c_str());
    for (int row : {wasBad, session->checked.badRow})
        if (row >= 0)
            InvalidateRect(GetDlgItem(dlg, IDC_GEN_LABEL_D + row), nullptr, TRUE);
}

void place(HWND dlg, const Place& p, int up)
{
    int x = twips::toPixelsX(p.left), y = twips::toPixelsY(p.top - up);
    MoveWindow(GetDlgItem(dlg, p.id), x, y, twips::toPixelsX(p.left + p.width) - x,
               twips::toPixelsY(p.top - up + p.height) - y, FALSE);
}

// The window's outer size for a client area of the given twips.
SIZE outerSize(HWND dlg, int width, int height)
{
    DWORD style = static_cast<DWORD>(GetWindowLongA(dlg, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE));
    RECT frame = {0, 0, twips::toPixelsX(width), twips::toPixelsY(height)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// Lays out as many parameter rows as the protocol has, the decode, the
// code and the buttons right below them, and fits the window's height to
// them; its top left corner stays where it is.
void fitRows(HWND dlg, size_t rows)
{
    int up = (PARAM_ROWS - static_cast<int>(rows < PARAM_ROWS ? rows : PARAM_ROWS)) * ROW_STEP;
    for (const Place& p : PLACES_BELOW)
        place(dlg, p, up);
    SIZE size = outerSize(dlg, CLIENT_WIDTH, CLIENT_HEIGHT - up);
    SetWindowPos(dlg, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    InvalidateRect(dlg, nullptr, TRUE);
}

// The chosen protocol's rows, one per parameter, with the values typed for
// its parameters where they fit; the rows beyond them hidden.
void cmbProtocol_Change(HWND dlg, Session* session)
{
    const ir::ProtocolInfo* protocol = chosenProtocol(dlg);
    typed.remember(session->rows, fieldTexts(dlg, session));
    session->rows = protocol ? paramform::rows(*protocol, "", "P", true) : std::vector<paramform::Row>();
    std::vector<std::string> texts = typed.textsFor(session->rows);
    SetDlgItemTextA(dlg, IDC_GEN_IRP, protocol ? protocol->irp.c_str() : "");
    session->filling = true;
    for (int row = 0; row < PARAM_ROWS; ++row) {
        bool shown = static_cast<size_t>(row) < session->rows.size();
        HWND label = GetDlgItem(dlg, IDC_GEN_LABEL_D + row);
        HWND field = GetDlgItem(dlg, IDC_GEN_VALUE_D + row);
        SetWindowTextA(label, shown ? session->rows[row].label.c_str() : "");
        SetWindowTextA(field, shown ? texts[row].c_str() : "");
        ShowWindow(label, shown ? SW_SHOW : SW_HIDE);
        ShowWindow(field, shown ? SW_SHOW : SW_HIDE);
    }
    session->filling = false;
    fitRows(dlg, session->rows.size());
    fields_Change(dlg, session);
}

void layout(HWND dlg, Session* session)
{
    for (const Place& p : PLACES)
        place(dlg, p, 0);
    for (const Place& p : PLACES_BELOW)
        place(dlg, p, 0);
    for (int p = 0; p < PARAM_ROWS; ++p) {
        int top = ROW_TOP + p * ROW_STEP;
        place(dlg, {IDC_GEN_LABEL_D + p, LABEL_LEFT, top + 45, LABEL_WIDTH, 255}, 0);
        place(dlg, {IDC_GEN_VALUE_D + p, FIELD_LEFT, top, FIELD_WIDTH, 315}, 0);
    }
    session->font = twips::font("MS Sans Serif", 8, false);
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(session->font), FALSE);

    // Centred as it is with every row; fewer rows only shorten it.
    SIZE size = outerSize(dlg, CLIENT_WIDTH, CLIENT_HEIGHT);
    POINT at = forms::centredOver(GetWindow(dlg, GW_OWNER), size.cx, size.cy);
    SetWindowPos(dlg, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// OK: the code of the fields, or the first field refused, named with its
// range, with the focus on it.
bool accept(HWND dlg, Session* session)
{
    const ir::ProtocolInfo* protocol = chosenProtocol(dlg);
    if (!protocol)
        return false;
    fields_Change(dlg, session);
    std::string error;
    if (session->checked.ok() && ir::render(protocol->name, session->checked.params, session->pronto, &error)) {
        lastProtocol = protocol->name;
        typed.remember(session->rows, fieldTexts(dlg, session));
        return true;
    }
    MessageBoxA(dlg, session->checked.ok() ? error.c_str() : session->checked.why.c_str(), APP_TITLE, MB_OK);
    if (!session->checked.ok()) {
        HWND box = GetDlgItem(dlg, IDC_GEN_VALUE_D + session->checked.badRow);
        SetFocus(box);
        SendMessageA(box, EM_SETSEL, 0, -1);
    }
    return false;
}

void Form_Load(HWND dlg, Session* session)
{
    layout(dlg, session);
    HWND combo = GetDlgItem(dlg, IDC_GEN_PROTOCOL);
    const auto& all = ir::protocols();
    for (size_t i = 0; i < all.size(); ++i) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(all[i].name.c_str()));
        if (lastProtocol == all[i].name)
            SendMessageA(combo, CB_SETCURSEL, i, 0);
    }
    if (SendMessageA(combo, CB_GETCURSEL, 0, 0) < 0)
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
    for (int p = 0; p < PARAM_ROWS; ++p)
        SendDlgItemMessageA(dlg, IDC_GEN_VALUE_D + p, EM_LIMITTEXT, 24, 0);
    cmbProtocol_Change(dlg, session);
    forms::loaded(dlg);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        session = reinterpret_cast<Session*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
        Form_Load(dlg, session);
        return TRUE;  // the focus goes to the protocol list
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id >= IDC_GEN_VALUE_D && id < IDC_GEN_VALUE_D + PARAM_ROWS) {
            if (HIWORD(wParam) == EN_CHANGE)
                fields_Change(dlg, session);
            return TRUE;
        }
        switch (id) {
        case IDC_GEN_PROTOCOL:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                cmbProtocol_Change(dlg, session);
            return TRUE;
        case IDOK:
            if (accept(dlg, session))
                EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL:
            typed.remember(session->rows, fieldTexts(dlg, session));
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC: {
        // The label of the field refused in red, until it reads right.
        HDC dc = reinterpret_cast<HDC>(wParam);
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (!session || id != IDC_GEN_LABEL_D + session->checked.badRow)
            break;
        SetTextColor(dc, RGB(192, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DESTROY:
        forms::unloaded(dlg);
        if (session && session->font) {
            DeleteObject(session->font);
            session->font = nullptr;
        }
        break;
    }
    return FALSE;
}

}  // namespace

bool showModal(HWND owner, std::string* pronto)
{
    Session session;
    session.pronto = pronto;
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_GENERATE), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(&session));
    return result == IDOK;
}

}  // namespace frmGenerate
