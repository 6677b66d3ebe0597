// Reads another process's message box as its user sees it: caption, text, buttons, default.
// Shared by the scenario driver and the demo's helper.
#ifndef TAVIO_TESTS_E2E_MESSAGE_BOX_H
#define TAVIO_TESTS_E2E_MESSAGE_BOX_H

#include <windows.h>

#include <string>
#include <vector>

struct MessageBoxView {
    HWND window = nullptr;
    std::string caption, text;             // text: the static control 0xFFFF, as shown
    std::vector<std::string> buttons;      // visible buttons' labels, left to right
    std::vector<int> buttonIds;            // their control ids (IDOK, IDCANCEL, ...)
    std::vector<HWND> buttonWindows;
    std::string defaultButton;             // the BS_DEFPUSHBUTTON one's label; empty if none
};

// A message box is a dialog of the system class #32770.
bool IsMessageBoxWindow(HWND window);

// The box once it is visible and two reads agree: it fills in its controls between creation
// and showing. Gives up after about 4 s and returns the last read.
MessageBoxView ReadMessageBox(HWND window);

// Clicks the button labelled ANSWER as the user would; false when there is none.
bool PressMessageBoxButton(const MessageBoxView& box, const std::string& answer);

#endif
