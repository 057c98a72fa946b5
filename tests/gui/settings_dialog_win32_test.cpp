#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/app_win32.h"
#include "gui/gui_session_win32.h"
#include "res/resource.h"

namespace orvanta::gui {
namespace {

Program& program()
{
    return theApp().program;
}

std::vector<std::string> listEntries(HWND dialog, int listId)
{
    std::vector<std::string> entries;
    const auto count = SendDlgItemMessageA(dialog, listId, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[32] = {};
        SendDlgItemMessageA(dialog, listId, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

int selection(HWND dialog, int listId)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, listId, CB_GETCURSEL, 0, 0));
}

bool enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool marked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

std::string settingsFile()
{
    std::ifstream file(theApp().settingsStore.settingsPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SettingsDialogGui, OpensWithTheSettingsAndOnlyTwoTransmissionTypes)
{
    resetProgram();
    program().settings.transmissionType = TransmissionType::RS232;
    program().settings.baudIndex = 3;
    program().settings.comPort = 12;
    std::vector<std::string> types, rates;
    int type = -2, rate = -2;
    std::string caption, comPort, polling, delay;
    bool addCr = false, keepOnline = true;

    const INT_PTR result = runSettingsDialog([&](HWND dialog) {
        caption = windowText(dialog);
        types = listEntries(dialog, IDC_TRANSMISSION_TYPE);
        rates = listEntries(dialog, IDC_BAUD_RATE);
        type = selection(dialog, IDC_TRANSMISSION_TYPE);
        rate = selection(dialog, IDC_BAUD_RATE);
        comPort = itemText(dialog, IDC_COM_PORT);
        polling = itemText(dialog, IDC_POLLING_SECONDS);
        delay = itemText(dialog, IDC_CHAR_DELAY);
        addCr = marked(dialog, IDC_ADD_CR);
        keepOnline = marked(dialog, IDC_KEEP_ONLINE);
        pressButton(dialog, IDC_CLOSE);
    });

    EXPECT_EQ(result, IDC_CLOSE);
    EXPECT_EQ(caption, "Orvanta (Ver 1.20)");
    EXPECT_EQ(types, (std::vector<std::string>{"RS-232", "Cradle-IR"}));
    EXPECT_EQ(rates, (std::vector<std::string>{"115200", "57600", "38400", "19200", "9600"}));
    EXPECT_EQ(type, 0);
    EXPECT_EQ(rate, 3);
    EXPECT_EQ(comPort, "12");
    EXPECT_EQ(polling, "2");
    EXPECT_EQ(delay, "2");
    EXPECT_TRUE(addCr);
    EXPECT_FALSE(keepOnline);
}

// The text's extent in the control's font: on one line, or wrapped at
// `width` where the control wraps its text.
SIZE textExtent(HWND control, const std::string& text, bool wraps, LONG width)
{
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    if (wraps) {
        RECT wrapped = {0, 0, width, 0};
        DrawTextA(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        extent = SIZE{wrapped.right, wrapped.bottom};
    } else {
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return extent;
}

// A label or check box whose text is wider than the control is cut off or
// wraps out of sight, and one that wraps must be tall enough for all its
// lines; the mnemonic's & takes no room.
std::vector<std::string> clippedLabels(HWND dialog)
{
    std::vector<std::string> clipped;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        GetClassNameA(child, className, sizeof className);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const bool label = lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT;
        const bool checkBox = lstrcmpiA(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_CHECKBOX;
        std::string text = windowText(child);
        std::erase(text, '&');
        if ((!label && !checkBox) || text.empty())
            continue;
        RECT area = {};
        GetClientRect(child, &area);
        const LONG box = checkBox ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
        const bool wraps = checkBox && (style & BS_MULTILINE);
        const SIZE extent = textExtent(child, text, wraps, area.right - box);
        if (extent.cx + box > area.right || extent.cy > area.bottom)
            clipped.push_back(text);
    }
    return clipped;
}

TEST(SettingsDialogGui, EveryLabelFitsItsControl)
{
    resetProgram();
    std::vector<std::string> clipped;
    runSettingsDialog([&](HWND dialog) {
        setItemText(dialog, IDC_COM_PORT, "255");   // the longest port text no prefix has
        clipped = clippedLabels(dialog);
        pressButton(dialog, IDC_CLOSE);
    });
    EXPECT_EQ(clipped, std::vector<std::string>{});
}

TEST(SettingsDialogGui, NumberFieldsAreCorrectedAsTheyChange)
{
    const struct {
        int field;
        const char* typed;
        const char* shown;
    } table[] = {
        {IDC_COM_PORT, "300", "255"},         {IDC_COM_PORT, "007", "7"},
        {IDC_COM_PORT, "0", "1"},             {IDC_COM_PORT, "", "1"},
        {IDC_COM_PORT, "42", "42"},           {IDC_POLLING_SECONDS, "1000", "999"},
        {IDC_POLLING_SECONDS, "a", "1"},      {IDC_POLLING_SECONDS, "012", "12"},
        {IDC_CHAR_DELAY, "05", "05"},         {IDC_CHAR_DELAY, "0", "1"},
        {IDC_CHAR_DELAY, "300", "255"},
    };
    resetProgram();
    std::vector<std::string> shown;
    runSettingsDialog([&](HWND dialog) {
        for (const auto& row : table) {
            setItemText(dialog, row.field, row.typed);
            shown.push_back(itemText(dialog, row.field));
        }
    });
    ASSERT_EQ(shown.size(), std::size(table));
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], table[i].shown) << table[i].field << " \"" << table[i].typed << '"';
}

// The registry's list of serial devices, as a driver would change it.
void setSerialDevice(const char* device, const char* port)
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_SET_VALUE, nullptr, &key, nullptr);
    if (port)
        RegSetValueExA(key, device, 0, REG_SZ, reinterpret_cast<const BYTE*>(port), lstrlenA(port) + 1);
    else
        RegDeleteValueA(key, device);
    RegCloseKey(key);
}

// Windows tells every top-level window when a device comes or goes.
TEST(SettingsDialogGui, ThePortsNameFollowsTheNumberAndTheDevices)
{
    resetProgram();
    std::vector<std::string> names;
    runSettingsDialog([&](HWND dialog) {
        setItemText(dialog, IDC_COM_PORT, "42");
        names.push_back(itemText(dialog, IDC_COM_PORT_NAME));
        setSerialDevice("\\Device\\Cradle7", "COM42");
        SendMessageA(dialog, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        names.push_back(itemText(dialog, IDC_COM_PORT_NAME));
        setItemText(dialog, IDC_COM_PORT, "200");
        names.push_back(itemText(dialog, IDC_COM_PORT_NAME));
        setItemText(dialog, IDC_COM_PORT, "42");
        setSerialDevice("\\Device\\Cradle7", nullptr);
        SendMessageA(dialog, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
        names.push_back(itemText(dialog, IDC_COM_PORT_NAME));
        pressButton(dialog, IDC_CLOSE);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"COM42: not present on this PC", "Cradle7 (COM42)",
                                               "COM200: not present on this PC",
                                               "COM42: not present on this PC"}));
}

// The list shows the ports present (the last one is the test's: wine
// maps at most the machine's few serial ports); a choice goes into the field.
TEST(SettingsDialogGui, AChoiceFromThePortListGoesIntoTheField)
{
    resetProgram();
    std::string field, name;
    bool menuShown = false;
    setSerialDevice("\\Device\\USBSER000", "COM7");
    runSettingsDialog([&](HWND dialog) {
        postButton(dialog, IDC_COM_PORT_LIST);
        HWND menu = nullptr;
        menuShown = waitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) && IsWindowVisible(menu); });
        PostMessageA(dialog, WM_KEYDOWN, VK_UP, 0);
        PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
        waitUntil([&] { return itemText(dialog, IDC_COM_PORT) == "7"; });
        field = itemText(dialog, IDC_COM_PORT);
        name = itemText(dialog, IDC_COM_PORT_NAME);
        saveScreenshot(dialog, "settings_dialog_port");
        pressButton(dialog, IDC_CLOSE);
    });
    setSerialDevice("\\Device\\USBSER000", nullptr);
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(field, "7");
    EXPECT_EQ(name, "USBSER000 (COM7)");
}

// COM200 exists in no wine prefix: the open fails after the file is saved.
TEST(SettingsDialogGui, StartSavesWhatIsTypedAndReportsAMissingPort)
{
    resetProgram();
    ShownBox box;
    bool visibleAfterFailure = true, startEnabled = false, stopEnabled = true, visibleAfterOpen = false;
    std::string delayAfterFailure;

    const INT_PTR result = runSettingsDialog([&](HWND dialog) {
        setItemText(dialog, IDC_COM_PORT, "200");
        setItemText(dialog, IDC_CHAR_DELAY, "05");
        postButton(dialog, IDC_START);
        box = answerMessageBox(dialog);
        // The dialog thread can take a message sent to it while the box
        // winds down, before Start refills the dialog: wait for the refill.
        waitUntil([&] { return enabled(dialog, IDC_START); });
        SendMessageA(dialog, WM_NULL, 0, 0);
        visibleAfterFailure = IsWindowVisible(dialog) != FALSE;
        startEnabled = enabled(dialog, IDC_START);
        stopEnabled = enabled(dialog, IDC_STOP);
        delayAfterFailure = itemText(dialog, IDC_CHAR_DELAY);
        SendMessageA(theApp().mainWindow, WM_COMMAND, IDM_TRAY_OPEN, 0);
        visibleAfterOpen = IsWindowVisible(dialog) != FALSE;
        SendMessageA(theApp().mainWindow, WM_COMMAND, IDM_TRAY_EXIT, 0);
    });

    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Failed to open the COM port!");
    EXPECT_EQ(program().settings.charDelayMs, 5);
    EXPECT_EQ(program().settings.comPort, 200);
    const std::string sevenLines = "1\r\n200\r\n0\r\n1\r\n0\r\n2\r\n5\r\n";
    EXPECT_EQ(settingsFile().substr(0, sevenLines.size()), sevenLines);
    EXPECT_FALSE(visibleAfterFailure);
    EXPECT_TRUE(startEnabled);
    EXPECT_FALSE(stopEnabled);
    EXPECT_EQ(delayAfterFailure, "5");
    EXPECT_TRUE(visibleAfterOpen);
    EXPECT_EQ(result, IDC_CLOSE);
    EXPECT_FALSE(program().engine.busy());
}

TEST(SettingsDialogGui, CheckBoxesSwitchTheirControlsButNotTheSettings)
{
    resetProgram();
    std::vector<bool> polling, prefixField, suffixField;
    bool markedOnce = false, markedTwice = true;
    runSettingsDialog([&](HWND dialog) {
        polling.push_back(enabled(dialog, IDC_POLLING_SECONDS));
        pressButton(dialog, IDC_KEEP_ONLINE);
        markedOnce = marked(dialog, IDC_KEEP_ONLINE);
        for (int id : {IDC_POLLING_LABEL, IDC_POLLING_SECONDS, IDC_POLLING_RANGE})
            polling.push_back(enabled(dialog, id));
        pressButton(dialog, IDC_KEEP_ONLINE);
        markedTwice = marked(dialog, IDC_KEEP_ONLINE);
        polling.push_back(enabled(dialog, IDC_POLLING_SECONDS));

        prefixField.push_back(enabled(dialog, IDC_PREFIX_CODES));
        pressButton(dialog, IDC_PREFIX_ENABLED);
        prefixField.push_back(enabled(dialog, IDC_PREFIX_CODES));
        suffixField.push_back(enabled(dialog, IDC_SUFFIX_CODES));
        pressButton(dialog, IDC_SUFFIX_ENABLED);
        suffixField.push_back(enabled(dialog, IDC_SUFFIX_CODES));
    });
    EXPECT_EQ(polling, (std::vector<bool>{false, true, true, true, false}));
    EXPECT_TRUE(markedOnce);
    EXPECT_FALSE(markedTwice);
    EXPECT_EQ(prefixField, (std::vector<bool>{false, true}));
    EXPECT_EQ(suffixField, (std::vector<bool>{false, true}));
    EXPECT_EQ(program().settings.keepOnline, 0);
    EXPECT_EQ(program().settings.prefixEnabled, 0);
}

// A DWORD of the program's registry key under the root; none removes it.
void setRegistryChoice(HKEY root, std::optional<DWORD> value)
{
    if (value)
        RegSetKeyValueA(root, kRegistryKey, kTypeOnlyCharacters.name, REG_DWORD, &*value, sizeof *value);
    else
        RegDeleteKeyValueA(root, kRegistryKey, kTypeOnlyCharacters.name);
}

std::optional<DWORD> registryChoice(HKEY root)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(root, kRegistryKey, kTypeOnlyCharacters.name, RRF_RT_REG_DWORD, nullptr, &value, &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

// The machine's choice shows greyed, with its value; the user's own goes
// to the user's key at Start, with the other settings.
TEST(SettingsDialogGui, TheMachinesTypingChoiceIsGreyedAndTheUsersIsKeptAtStart)
{
    setRegistryChoice(HKEY_LOCAL_MACHINE, 1);
    resetProgram();
    loadRegistrySettings(program().settings, theApp().registry);
    bool machineMarked = false, machineEnabled = true;
    runSettingsDialog([&](HWND dialog) {
        machineMarked = marked(dialog, IDC_TYPE_ONLY_CHARACTERS);
        machineEnabled = enabled(dialog, IDC_TYPE_ONLY_CHARACTERS);
        pressButton(dialog, IDC_CLOSE);
    });
    setRegistryChoice(HKEY_LOCAL_MACHINE, std::nullopt);
    setRegistryChoice(HKEY_CURRENT_USER, std::nullopt);
    resetProgram();
    loadRegistrySettings(program().settings, theApp().registry);
    bool userEnabled = false;
    runSettingsDialog([&](HWND dialog) {
        userEnabled = enabled(dialog, IDC_TYPE_ONLY_CHARACTERS);
        pressButton(dialog, IDC_TYPE_ONLY_CHARACTERS);
        setItemText(dialog, IDC_COM_PORT, "200");
        postButton(dialog, IDC_START);
        answerMessageBox(dialog);
        SendMessageA(theApp().mainWindow, WM_COMMAND, IDM_TRAY_EXIT, 0);
    });
    const std::optional<DWORD> kept = registryChoice(HKEY_CURRENT_USER);
    setRegistryChoice(HKEY_CURRENT_USER, std::nullopt);
    EXPECT_TRUE(machineMarked);
    EXPECT_FALSE(machineEnabled);
    EXPECT_TRUE(userEnabled);
    EXPECT_EQ(kept, std::optional<DWORD>(1));
    EXPECT_TRUE(program().settings.typeOnlyCharacters.on);
}

// The record by which the shell knows the program's icon.
NOTIFYICONDATAA iconRecord()
{
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = theApp().mainWindow;
    record.uID = 0;
    return record;
}

// Only an icon the shell has can be modified.
bool shellHasIcon()
{
    NOTIFYICONDATAA record = iconRecord();
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

// When Explorer starts anew every icon is gone and the shell says so with
// "TaskbarCreated": the icon, the only way back to a hidden dialog, returns.
TEST(SettingsDialogGui, TheTrayIconComesBackWhenTheShellStartsAnew)
{
    resetProgram();
    bool atStart = false, gone = false, back = false;
    runSettingsDialog([&](HWND dialog) {
        atStart = shellHasIcon();
        NOTIFYICONDATAA record = iconRecord();
        Shell_NotifyIconA(NIM_DELETE, &record);
        gone = !shellHasIcon();
        SendMessageA(theApp().mainWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        back = shellHasIcon();
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(atStart);
    EXPECT_TRUE(gone);
    EXPECT_TRUE(back);
    EXPECT_FALSE(shellHasIcon()) << "Close takes it away";
}

// Open from the tray: during a transfer only Stop (and Close) can be used.
TEST(SettingsDialogGui, MinimizingHidesTheDialogAndOpenShowsItWithTheRulesOfTheMoment)
{
    resetProgram();
    bool hidden = false, shown = false, startWhileOpen = true, stopWhileOpen = false, comWhileOpen = true;
    const INT_PTR result = runSettingsDialog([&](HWND dialog) {
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        hidden = IsWindowVisible(dialog) == FALSE;
        program().settings.keepOnline = 1;   // a series, whose port need not be there
        theApp().driver.feed(events::Started{});
        SendMessageA(theApp().mainWindow, kTrayMessage, 0, WM_LBUTTONDBLCLK);
        theApp().driver.feed(events::Stopped{});
        shown = IsWindowVisible(dialog) != FALSE;
        startWhileOpen = enabled(dialog, IDC_START);
        stopWhileOpen = enabled(dialog, IDC_STOP);
        comWhileOpen = enabled(dialog, IDC_COM_PORT);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(startWhileOpen);
    EXPECT_TRUE(stopWhileOpen);
    EXPECT_FALSE(comWhileOpen);
    EXPECT_EQ(result, IDC_CLOSE);
}

}  // namespace
}  // namespace orvanta::gui
