// Driving the Win32 window as an operator would, through its controls' own messages: click,
// select, type, paste, keys. For the tests under wine; the handles are the window's HWND values.
#pragma once

#include <future>
#include <string>

namespace bpconf::ui::driver {

// A message box as the operator saw it, and the button Enter pressed in it.
struct ShownBox {
    std::string caption;
    std::string enterPressed;  // "ok", "yes", "no", or "" when the box had no default button
};

// A click on a button, check box or radio button (BM_CLICK), handled at once.
void Click(void* control);
// The same click queued, to be handled by the next message loop (a modal one, say).
void PostClick(void* control);
// Selects an item of a drop-down list as the operator's choice does (with CBN_SELCHANGE).
void Select(void* comboBox, int index);
// Types the text into an edit box, one character message per UTF-16 unit.
void Type(void* edit, const std::string& text);
// Puts the text on the clipboard and pastes it into the edit box.
void Paste(void* edit, const std::string& text);
// Puts the text on the clipboard and presses Ctrl+V in the edit box (the character the keyboard
// sends for it).
void PasteByKeyboard(void* edit, const std::string& text);
// Waits, on a thread of its own, for the next message box of this program, notes it and presses
// Enter in it; the future holds what was seen once the box is gone.
std::future<ShownBox> PressEnterOnNextBox();
// Alt and a letter, as the keyboard sends them to the window (its mnemonics answer).
void PressAlt(void* window, char letter);
// Lets every pending window message run.
void ProcessMessages(void* window);
// The window's caption or control's text as the system has it.
std::string TextOf(void* window);
// The size of the window's client area.
int ClientWidth(void* window);
int ClientHeight(void* window);
bool IsShown(void* window);
// The width a button, check box or radio button needs for the caption (mnemonic '&' left out):
// the text in the control's font and the control's own parts (the box, the margins).
int CaptionWidth(void* control, const std::string& caption);
bool IsEnabled(void* window);
// Whether one sibling lies above another in the z-order (is drawn over it where they overlap).
bool LiesAbove(void* upper, void* lower);
// The colour a static or read-only control's text is drawn in (0xBBGGRR), as its parent says.
unsigned long TextColorOf(void* control);
// How many colours the strip of a tab control beside its last tab shows once pending painting
// is done (1: it is blank, as it should be).
int ColoursBesideTheTabs(void* tabControl);

}  // namespace bpconf::ui::driver
