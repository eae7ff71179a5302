#include "ui/LogPane.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

namespace bpconf::ui {

LogPane::LogPane(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void LogPane::clear() {
    text_.clear();
    starts_.clear();
    widestLine_ = -1;
    widestLength_ = 0;
    UpdateScrollBars();
    viewport()->update();
}

void LogPane::appendLines(const std::string& text) {
    text_.reserve(text_.size() + text.size() + 1);
    std::size_t lineStart = text_.size();
    starts_.push_back(lineStart);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (c == '\n') {
            NoteWidth(text_.size() - lineStart);
            text_ += '\n';
            lineStart = text_.size();
            starts_.push_back(lineStart);
            continue;
        }
        text_ += c;
    }
    NoteWidth(text_.size() - lineStart);
    text_ += '\n';
    UpdateScrollBars();
    viewport()->update();
}

void LogPane::NoteWidth(std::size_t length) {
    if (widestLine_ < 0 || length > widestLength_) {
        widestLength_ = length;
        widestLine_ = lineCount() - 1;
    }
}

QString LogPane::line(int index) const {
    if (index < 0 || index >= lineCount())
        return QString();
    const std::size_t begin = starts_[static_cast<std::size_t>(index)];
    const std::size_t end = text_.find('\n', begin);
    return QString::fromUtf8(text_.data() + begin, static_cast<qsizetype>(end - begin));
}

QString LogPane::toPlainText() const {
    if (text_.empty())
        return QString();
    return QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size() - 1));
}

int LogPane::LineHeight() const {
    return QFontMetrics(font()).lineSpacing();
}

void LogPane::UpdateScrollBars() {
    const int visible = std::max(1, viewport()->height() / LineHeight());
    verticalScrollBar()->setRange(0, std::max(0, lineCount() - visible));
    verticalScrollBar()->setPageStep(visible);
    const int width = QFontMetrics(font()).horizontalAdvance(line(widestLine_)) + 8;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void LogPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void LogPane::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const int height = LineHeight();
    const int first = verticalScrollBar()->value();
    const int ascent = QFontMetrics(font()).ascent();
    const int x = 4 - horizontalScrollBar()->value();
    for (int row = 0; first + row < lineCount() && row * height < viewport()->height(); ++row) {
        painter.drawText(x, row * height + ascent + 2, line(first + row));
    }
}

}  // namespace bpconf::ui
