#include "frmGenerate.h"

#include <cerrno>
#include <cstdlib>

#include "app/appinfo.h"
#include "ir/ir.h"
#include "ui/forms.h"
#include "ui/ids.h"
#include "ui/twips.h"

namespace frmGenerate {

namespace {

// Client area and controls in twips; the dialog template only supplies the
// controls, their tab order and the dialog manager's keys.
const int CLIENT_WIDTH = 5400, CLIENT_HEIGHT = 4245;
// One row per parameter of the protocol, in its order; no protocol has more.
const int PARAM_ROWS = 6;
const int ROW_TOP = 1140, ROW_STEP = 420;

struct Place {
    int id;
    int left, top, width, height;
};
const Place PLACES[] = {
    {IDC_GEN_LBLPROTOCOL, 120, 165, 1200, 255},
    {IDC_GEN_PROTOCOL, 1380, 120, 2640, 3000},  // height includes the drop-down list
    {IDC_GEN_IRP, 120, 540, 5160, 495},
    {IDOK, 2760, 3780, 1215, 345},
    {IDCANCEL, 4065, 3780, 1215, 345},
};
const int LABEL_LEFT = 120, LABEL_WIDTH = 2400, FIELD_LEFT = 2640, FIELD_WIDTH = 1140;

struct Session {
    std::string* pronto;
    HFONT font = nullptr;
};

// What the user chose last time, offered again at the next opening.
std::string lastProtocol = "NEC1";
std::string lastValues[PARAM_ROWS];

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
    std::string s(text);
    size_t first = s.find_first_not_of(" \t");
    size_t last = s.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

// Row n for the chosen protocol's parameter n, with its name and range;
// the rows it has no parameter for are hidden.
void showRows(HWND dlg)
{
    const ir::ProtocolInfo* protocol = chosenProtocol(dlg);
    SetDlgItemTextA(dlg, IDC_GEN_IRP, protocol ? protocol->irp.c_str() : "");
    for (int p = 0; p < PARAM_ROWS; ++p) {
        const ir::ParamSpec* param =
            protocol && static_cast<size_t>(p) < protocol->params.size() ? &protocol->params[p] : nullptr;
        HWND label = GetDlgItem(dlg, IDC_GEN_LABEL_D + p);
        HWND field = GetDlgItem(dlg, IDC_GEN_VALUE_D + p);
        if (param) {
            std::string caption = "&" + param->name + " (" + ir::rangeText(*param);
            if (param->hasDefault)
                caption += "; blank: " + param->defaultText;
            caption += "):";
            SetWindowTextA(label, caption.c_str());
        }
        ShowWindow(label, param ? SW_SHOW : SW_HIDE);
        ShowWindow(field, param ? SW_SHOW : SW_HIDE);
    }
}

void layout(HWND dlg, Session* session)
{
    auto place = [&](int id, int left, int top, int width, int height) {
        int x = twips::toPixelsX(left), y = twips::toPixelsY(top);
        MoveWindow(GetDlgItem(dlg, id), x, y, twips::toPixelsX(left + width) - x,
                   twips::toPixelsY(top + height) - y, FALSE);
    };
    for (const Place& p : PLACES)
        place(p.id, p.left, p.top, p.width, p.height);
    for (int p = 0; p < PARAM_ROWS; ++p) {
        int top = ROW_TOP + p * ROW_STEP;
        place(IDC_GEN_LABEL_D + p, LABEL_LEFT, top + 45, LABEL_WIDTH, 255);
        place(IDC_GEN_VALUE_D + p, FIELD_LEFT, top, FIELD_WIDTH, 315);
    }
    session->font = twips::font("MS Sans Serif", 8, false);
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(session->font), FALSE);

    DWORD style = static_cast<DWORD>(GetWindowLongA(dlg, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(dlg, GWL_EXSTYLE));
    RECT frame = {0, 0, twips::toPixelsX(CLIENT_WIDTH), twips::toPixelsY(CLIENT_HEIGHT)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    POINT at = forms::centredOver(GetWindow(dlg, GW_OWNER), width, height);
    SetWindowPos(dlg, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void refuse(HWND dlg, int field, const std::string& why)
{
    MessageBoxA(dlg, why.c_str(), APP_TITLE, MB_OK);
    HWND box = GetDlgItem(dlg, field);
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, -1);
}

// Reads and checks every field of the chosen protocol; renders the code when
// all are valid. A refused field is named with its range and gets the focus.
bool accept(HWND dlg, Session* session)
{
    const ir::ProtocolInfo* protocol = chosenProtocol(dlg);
    if (!protocol)
        return false;
    ir::Params params;
    for (size_t row = 0; row < protocol->params.size() && row < static_cast<size_t>(PARAM_ROWS); ++row) {
        const ir::ParamSpec& param = protocol->params[row];
        int field = IDC_GEN_VALUE_D + static_cast<int>(row);
        std::string text = fieldText(dlg, field);
        const std::string& name = param.name;
        if (text.empty()) {
            if (param.hasDefault)
                continue;
            refuse(dlg, field, name + " is missing: enter a number from " + ir::rangeText(param) + ".");
            return false;
        }
        char* end = nullptr;
        errno = 0;
        long value = std::strtol(text.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || value < param.min || value > param.max) {
            refuse(dlg, field, name + " must be a number from " + ir::rangeText(param) + ".");
            return false;
        }
        params.set(param.name, value);
    }
    std::string error;
    if (!ir::render(protocol->name, params, session->pronto, &error)) {
        MessageBoxA(dlg, error.c_str(), APP_TITLE, MB_OK);
        return false;
    }
    lastProtocol = protocol->name;
    for (int p = 0; p < PARAM_ROWS; ++p)
        lastValues[p] = fieldText(dlg, IDC_GEN_VALUE_D + p);
    return true;
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        session = reinterpret_cast<Session*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
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
        for (int p = 0; p < PARAM_ROWS; ++p) {
            SendDlgItemMessageA(dlg, IDC_GEN_VALUE_D + p, EM_LIMITTEXT, 12, 0);
            SetDlgItemTextA(dlg, IDC_GEN_VALUE_D + p, lastValues[p].c_str());
        }
        showRows(dlg);
        forms::loaded(dlg);
        return TRUE;  // the focus goes to the protocol list
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_GEN_PROTOCOL:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                showRows(dlg);
            return TRUE;
        case IDOK:
            if (accept(dlg, session))
                EndDialog(dlg, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
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
    Session session{pronto};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_GENERATE),
                                     owner, DialogProc, reinterpret_cast<LPARAM>(&session));
    return result == IDOK;
}

}  // namespace frmGenerate
