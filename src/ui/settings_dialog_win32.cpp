/*
 * The settings dialog "MainFormDlg": the program's one visible window in
 * interactive mode. It shows and edits the settings, starts and stops
 * transfers, and its Close ends the program. During a transfer it is
 * hidden; the tray icon brings it back.
 */
#include "ui/settings_dialog_win32.h"

#include <commctrl.h>
#include <dbt.h>

#include "platform/port_inventory_win32.h"
#include "res/resource.h"
#include "ui/code_picker_win32.h"
#include "ui/enable_rules.h"

namespace orvanta {
namespace {

constexpr LPARAM kSpinRange = MAKELPARAM(255, 1);   // 65791: upper 255, lower 1
// The port list's menu commands: this plus the port number.
constexpr UINT kPortMenuBase = 1000;

SettingsDialogState& stateOf(HWND dialog)
{
    return *settingsDialogState(dialog);
}

DialogSession& sessionOf(HWND dialog)
{
    return stateOf(dialog).context.session;
}

int adapterPortOf(HWND dialog)
{
    return stateOf(dialog).context.adapters.adapterPort(sessionOf(dialog).settings.comPort);
}

void hideDialog(HWND dialog)
{
    stateOf(dialog).keepHidden = true;
    ShowWindow(dialog, SW_HIDE);
}

class Win32SettingsDialog final : public SettingsDialogWindow {
public:
    explicit Win32SettingsDialog(HWND dialog) : dialog_(dialog) {}
    void applyEnableRules(bool enable) override { orvanta::applyEnableRules(dialog_, enable); }
    void hide() override { hideDialog(dialog_); }
    void fill() override { fillDialog(dialog_); }

private:
    HWND dialog_;
};

void fillList(HWND dialog, int listId, const char* const* names, int count, int selected)
{
    SendDlgItemMessageA(dialog, listId, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i)
        SendDlgItemMessageA(dialog, listId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
    SendDlgItemMessageA(dialog, listId, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void fillCodeField(HWND field, const std::uint8_t* workingList)
{
    GridBuffer scratch{};
    CodeText text{};
    loadCodeList(scratch, workingList, text, kMaxCodes);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void setMark(HWND dialog, int boxId, std::int8_t flag)
{
    CheckDlgButton(dialog, boxId, flag > 0 ? BST_CHECKED : BST_UNCHECKED);
}

bool isMarked(HWND dialog, int boxId)
{
    return IsDlgButtonChecked(dialog, boxId) == BST_CHECKED;
}

NumberReading readNumber(HWND dialog, int fieldId)
{
    BOOL readsAsNumber = FALSE;
    const UINT value = GetDlgItemInt(dialog, fieldId, &readsAsNumber, FALSE);
    return NumberReading{readsAsNumber != FALSE, value};
}

int selectedPosition(HWND dialog, int listId)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, listId, CB_GETCURSEL, 0, 0));
}

DialogControls readControls(HWND dialog)
{
    return DialogControls{selectedPosition(dialog, IDC_TRANSMISSION_TYPE),
                          readNumber(dialog, IDC_COM_PORT),
                          selectedPosition(dialog, IDC_BAUD_RATE),
                          isMarked(dialog, IDC_ADD_CR),
                          isMarked(dialog, IDC_KEEP_ONLINE),
                          readNumber(dialog, IDC_POLLING_SECONDS),
                          readNumber(dialog, IDC_CHAR_DELAY),
                          isMarked(dialog, IDC_PREFIX_ENABLED),
                          isMarked(dialog, IDC_SUFFIX_ENABLED),
                          isMarked(dialog, IDC_TYPE_ONLY_CHARACTERS)};
}

void OnStart(HWND dialog)
{
    Win32SettingsDialog window(dialog);
    startFromDialog(sessionOf(dialog), readControls(dialog), window);
}

void OnStop(HWND dialog)
{
    sessionOf(dialog).engine.feed(events::Stopped{});
    fillDialog(dialog);
}

// The program's end, as Exit's: the port first, the tray icon after it,
// and then every loop of the thread ends, this dialog's with Close's own
// result.
void OnClose(HWND dialog)
{
    SendMessageA(stateOf(dialog).context.mainWindow, WM_CLOSE, 0, 0);
    EndDialog(dialog, IDC_CLOSE);
}

// Writing the correction changes the field again; that second check finds
// a valid number and leaves it.
void OnNumberFieldChange(HWND dialog, const NumberField& field)
{
    char text[5] = {};
    GetDlgItemTextA(dialog, field.controlId, text, sizeof text);
    const auto correction = numberFieldCorrection(text, readNumber(dialog, field.controlId), field);
    if (correction)
        SetDlgItemInt(dialog, field.controlId, static_cast<UINT>(*correction), TRUE);
}

// The mark changes only the controls; Settings takes it at Start.
void OnCheckBoxToggle(HWND dialog, int boxId)
{
    const bool marked = !isMarked(dialog, boxId);
    CheckDlgButton(dialog, boxId, marked ? BST_CHECKED : BST_UNCHECKED);
    for (int follower : controlsFollowingBox(boxId))
        EnableWindow(GetDlgItem(dialog, follower), marked);
}

// What the number in the field is on this PC, as Device Manager would say.
void showPortName(HWND dialog)
{
    const NumberReading number = readNumber(dialog, IDC_COM_PORT);
    const std::string text =
        number.readsAsNumber
            ? describePort(static_cast<int>(number.value), stateOf(dialog).presentPorts, adapterPortOf(dialog))
            : "";
    SetDlgItemTextA(dialog, IDC_COM_PORT_NAME, text.c_str());
}

void refreshPorts(HWND dialog)
{
    stateOf(dialog).presentPorts = presentComPorts();
    showPortName(dialog);
}

// A cable or cradle plugged in or pulled out changes what the number is.
void OnDeviceChange(HWND dialog, WPARAM event)
{
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE || event == DBT_DEVNODES_CHANGED)
        refreshPorts(dialog);
}

// The ports present, under the button, the collector's adapter's checked;
// a choice goes into the field as if typed, so the field's check and the
// name follow.
void OnPortList(HWND dialog)
{
    refreshPorts(dialog);
    const std::vector<PresentPort>& ports = stateOf(dialog).presentPorts;
    const int adapterPort = adapterPortOf(dialog);
    HMENU menu = CreatePopupMenu();
    for (const PresentPort& port : ports)
        AppendMenuA(menu, MF_STRING | (port.number == adapterPort ? MF_CHECKED : MF_UNCHECKED),
                    kPortMenuBase + port.number, describePort(port.number, ports).c_str());
    if (ports.empty())
        AppendMenuA(menu, MF_STRING | MF_GRAYED, 0, "No COM port is present");
    RECT button{};
    GetWindowRect(GetDlgItem(dialog, IDC_COM_PORT_LIST), &button);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTBUTTON,
                                                         button.left, button.bottom, 0, dialog, nullptr));
    DestroyMenu(menu);
    if (chosen > kPortMenuBase)
        SetDlgItemInt(dialog, IDC_COM_PORT, chosen - kPortMenuBase, TRUE);
}

void OnCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDC_COM_PORT_LIST: return OnPortList(dialog);
    case IDC_START: return OnStart(dialog);
    case IDC_STOP: return OnStop(dialog);
    case IDC_CLOSE: return OnClose(dialog);
    case IDC_ADD_CR:
    case IDC_KEEP_ONLINE:
    case IDC_PREFIX_ENABLED:
    case IDC_SUFFIX_ENABLED:
    case IDC_TYPE_ONLY_CHARACTERS: return OnCheckBoxToggle(dialog, id);
    default: break;
    }
    const NumberField* field = numberFieldOf(id);
    if (field && notification == EN_CHANGE)
        OnNumberFieldChange(dialog, *field);
    if (id == IDC_COM_PORT && notification == EN_CHANGE)
        showPortName(dialog);
}

void subclassCodeFields(SettingsDialogState& state)
{
    state.standardEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(state.prefixField, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CodeFieldProc)));
    SetWindowLongPtrA(state.suffixField, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CodeFieldProc));
}

// A keep-online command line starts the transfer while the dialog opens; Start hides the dialog,
// and it stays hidden.
void OnInitDialog(HWND dialog, SettingsDialogState& state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    DialogSession& session = state.context.session;
    state.prefixField = GetDlgItem(dialog, IDC_PREFIX_CODES);
    state.suffixField = GetDlgItem(dialog, IDC_SUFFIX_CODES);
    loadWorkingCodes(session.settings, session.working);
    state.presentPorts = presentComPorts();
    state.context.shownDialog = dialog;
    fillDialog(dialog);
    if (state.context.commandLineMode && session.settings.keepOnline == 1)
        SendMessageA(dialog, WM_COMMAND, IDC_START, 0);
    subclassCodeFields(state);
}

// The dialog manager shows a modal dialog once its queue is empty, also one
// that hid itself while it initialised: a keep-online command line would
// then put the dialog in front of the user's window, and the records would
// be typed into it. A dialog the program hid is not shown that way.
void OnWindowPosChanging(HWND dialog, WINDOWPOS& position)
{
    const SettingsDialogState* state = settingsDialogState(dialog);
    if (state && state->keepHidden && (position.flags & SWP_SHOWWINDOW)) {
        position.flags &= ~SWP_SHOWWINDOW;
        position.flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    }
}

void OnSize(HWND dialog, WPARAM kind)
{
    if (kind == SIZE_MINIMIZED)
        hideDialog(dialog);
}

INT_PTR CALLBACK MainFormDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(dialog, *reinterpret_cast<SettingsDialogState*>(lParam)); return TRUE;
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return FALSE;
    case WM_SIZE: OnSize(dialog, wParam); return FALSE;
    case WM_DEVICECHANGE: OnDeviceChange(dialog, wParam); return FALSE;
    case WM_WINDOWPOSCHANGING: OnWindowPosChanging(dialog, *reinterpret_cast<WINDOWPOS*>(lParam)); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

SettingsDialogState* settingsDialogState(HWND dialog)
{
    if (!dialog || GetWindowLongPtrA(dialog, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(MainFormDlgProc))
        return nullptr;
    return reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void revealDialog(HWND dialog)
{
    if (SettingsDialogState* state = settingsDialogState(dialog))
        state->keepHidden = false;
    ShowWindow(dialog, SW_SHOWNORMAL);
}

void initDialogControls()
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
}

INT_PTR showSettingsDialog(SettingsDialogContext& context)
{
    SettingsDialogState state(context);
    return DialogBoxParamA(context.instance, "MainFormDlg", nullptr, MainFormDlgProc,
                           reinterpret_cast<LPARAM>(&state));
}

void fillDialog(HWND dialog)
{
    const DialogSession& session = sessionOf(dialog);
    const Settings& s = session.settings;
    static const char* const kTransmissionList[] = {kTransmissionNames[0], kTransmissionNames[1]};
    fillList(dialog, IDC_TRANSMISSION_TYPE, kTransmissionList, kListedTransmissionTypes,
             static_cast<int>(s.transmissionType));
    SendDlgItemMessageA(dialog, IDC_COM_PORT_SPIN, UDM_SETRANGE, 0, kSpinRange);
    SetDlgItemInt(dialog, IDC_COM_PORT, static_cast<UINT>(stateOf(dialog).context.adapters.portInUse(s.comPort)),
                  TRUE);
    fillList(dialog, IDC_BAUD_RATE, kBaudNames, kBaudCount, s.baudIndex);
    setMark(dialog, IDC_ADD_CR, s.addCr);
    setMark(dialog, IDC_KEEP_ONLINE, s.keepOnline);
    // The machine's value where it makes the choice; the rules grey it then.
    setMark(dialog, IDC_TYPE_ONLY_CHARACTERS, s.typeOnlyCharacters.on ? 1 : 0);
    SetDlgItemInt(dialog, IDC_POLLING_SECONDS, static_cast<UINT>(s.pollingSeconds), TRUE);
    applyEnableRules(dialog, true);
    SendDlgItemMessageA(dialog, IDC_CHAR_DELAY_SPIN, UDM_SETRANGE, 0, kSpinRange);
    SetDlgItemInt(dialog, IDC_CHAR_DELAY, static_cast<UINT>(s.charDelayMs), TRUE);
    fillCodeField(GetDlgItem(dialog, IDC_PREFIX_CODES), session.working.workingPrefix);
    fillCodeField(GetDlgItem(dialog, IDC_SUFFIX_CODES), session.working.workingSuffix);
    setMark(dialog, IDC_PREFIX_ENABLED, s.prefixEnabled);
    setMark(dialog, IDC_SUFFIX_ENABLED, s.suffixEnabled);
    EnableWindow(GetDlgItem(dialog, IDC_PREFIX_CODES), s.prefixEnabled > 0);
    EnableWindow(GetDlgItem(dialog, IDC_SUFFIX_CODES), s.suffixEnabled > 0);
}

void showAdapterPort(HWND dialog, bool seriesRuns)
{
    SettingsDialogContext& context = stateOf(dialog).context;
    const int chosen = context.session.settings.comPort;
    SetDlgItemInt(dialog, IDC_COM_PORT, static_cast<UINT>(context.adapters.portInUse(chosen)), TRUE);
    refreshPorts(dialog);
    const std::vector<int> candidates = seriesRuns ? context.adapters.question() : std::vector<int>{};
    if (candidates.empty())
        return;
    const std::string question = "Collector on " + portList(candidates, " or ") + "?";
    SetDlgItemTextA(dialog, IDC_COM_PORT_NAME, question.c_str());
    for (int id : {IDC_COM_PORT, IDC_COM_PORT_SPIN, IDC_COM_PORT_LIST, IDC_START})
        EnableWindow(GetDlgItem(dialog, id), TRUE);
}

void applyEnableRules(HWND dialog, bool enable)
{
    for (const ControlState& state : enableRules(enable, sessionOf(dialog).settings))
        EnableWindow(GetDlgItem(dialog, state.controlId), state.enabled);
    // The port list goes with the port field.
    EnableWindow(GetDlgItem(dialog, IDC_COM_PORT_LIST), enable);
    UpdateWindow(dialog);
}

}  // namespace orvanta
