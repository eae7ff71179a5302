// The read-only log pane (Memo1) of the Win32 window: lines of text with a vertical scroll bar.
// It keeps the text as one buffer and paints only the lines in view, so the dump of a 16 MiB
// package (a million lines) appears at once.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bpconf::ui {

class LogPane {
  public:
    // Creates the pane as a child window of parent.
    LogPane(HWND parent, int x, int y, int width, int height, HFONT font);
    HWND Handle() const { return window_; }

    void Clear();
    // Adds the text as a new line; line breaks inside it ("\r\n" or "\n") start further lines.
    void AppendLines(const std::string& text);
    // Every line, each ended by "\n".
    const std::string& Lines() const { return text_; }

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void Paint();
    void Scroll(int toLine);
    void UpdateScrollBar();
    int LineHeight() const { return lineHeight_ > 0 ? lineHeight_ : 16; }
    int VisibleLines() const;

    HWND window_ = nullptr;
    HFONT font_;
    int lineHeight_ = 0;
    int top_ = 0;  // the first line in view
    std::string text_;
    std::vector<std::size_t> starts_;
};

}  // namespace bpconf::ui
