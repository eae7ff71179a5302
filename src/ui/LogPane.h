// The read-only log pane (Memo1): lines of text with a vertical scroll bar. It keeps the text
// as one buffer and paints only the lines in view, so the dump of a 16 MiB package (a million
// lines) appears at once instead of freezing the window while a text document lays it out.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <string>
#include <vector>

namespace bpconf::ui {

class LogPane : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit LogPane(QWidget* parent = nullptr);

    void clear();
    // Adds the text as a new line; line breaks inside it ("\r\n" or "\n") start further lines.
    void appendLines(const std::string& text);

    int lineCount() const { return static_cast<int>(starts_.size()); }
    QString line(int index) const;
    // The whole text, lines joined by "\n".
    QString toPlainText() const;
    // Every line, each ended by "\n".
    const std::string& lines() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void UpdateScrollBars();
    // Keeps the longest line of the pane (the one being added is the last) for the width.
    void NoteWidth(std::size_t length);
    int LineHeight() const;

    std::string text_;                 // every line, each ended by '\n'
    std::vector<std::size_t> starts_;  // where each line begins in text_
    int widestLine_ = -1;              // the line with the most characters
    std::size_t widestLength_ = 0;
};

}  // namespace bpconf::ui
