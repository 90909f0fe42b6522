#include "app/dialogs/code_editor.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>

namespace tintext {

namespace {

class LineNumberArea : public QWidget {
public:
    explicit LineNumberArea(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return QSize(editor_->LineNumberAreaWidth(), 0); }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintLineNumbers(event); }

private:
    CodeEditor* editor_;
};

QTextCharFormat Format(QColor colour, bool bold = false, bool italic = false) {
    QTextCharFormat format;
    format.setForeground(colour);
    if (bold) format.setFontWeight(QFont::Bold);
    format.setFontItalic(italic);
    return format;
}

}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    lineNumberArea_ = new LineNumberArea(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::UpdateMargin);
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::UpdateLineNumberArea);
    UpdateMargin();
}

int CodeEditor::LineNumberAreaWidth() const {
    int digits = QString::number(std::max(1, blockCount())).size();
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(3, digits);
}

void CodeEditor::GoToLine(int line) {
    QTextBlock block = document()->findBlockByNumber(std::max(0, line - 1));
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    setTextCursor(cursor);
    centerCursor();
    setFocus(Qt::OtherFocusReason);
}

void CodeEditor::UpdateMargin() { setViewportMargins(LineNumberAreaWidth(), 0, 0, 0); }

void CodeEditor::UpdateLineNumberArea(const QRect& rect, int dy) {
    if (dy) {
        lineNumberArea_->scroll(0, dy);
    } else {
        lineNumberArea_->update(0, rect.y(), lineNumberArea_->width(), rect.height());
    }
    if (rect.contains(viewport()->rect())) UpdateMargin();
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    QRect area = contentsRect();
    lineNumberArea_->setGeometry(QRect(area.left(), area.top(), LineNumberAreaWidth(), area.height()));
}

void CodeEditor::PaintLineNumbers(QPaintEvent* event) {
    QPainter painter(lineNumberArea_);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + qRound(blockBoundingRect(block).height());
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top()) {
            painter.drawText(0, top, lineNumberArea_->width() - 4, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
        bottom = top + qRound(blockBoundingRect(block).height());
    }
}

HldHighlighter::HldHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void HldHighlighter::highlightBlock(const QString& text) {
    // The loader trims blanks and decides by the first characters, keywords in any case.
    static const QTextCharFormat kSection = Format(QColor(0x0550ae), true);
    static const QTextCharFormat kKeyword = Format(QColor(0x8250df), true);
    static const QTextCharFormat kPattern = Format(QColor(0x116329));
    static const QTextCharFormat kValue = Format(QColor(0x953800));
    static const QTextCharFormat kComment = Format(QColor(0x6e7781), false, true);
    qsizetype start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    const QString line = text.mid(start);
    if (line.isEmpty()) return;
    if (line.startsWith('[')) {
        setFormat(start, line.size(), kSection);
        return;
    }
    if (line.startsWith('\'') || line.startsWith('#')) {
        setFormat(start, line.size(), kComment);
        return;
    }
    if (line.startsWith("PATTERN", Qt::CaseInsensitive)) {
        // The pattern starts at the ninth character, whatever the eighth is.
        setFormat(start, std::min<qsizetype>(8, line.size()), kKeyword);
        if (line.size() > 8) setFormat(start + 8, line.size() - 8, kPattern);
        return;
    }
    for (const char* keyword : {"FORMAT", "ENTER", "RETURN", "HEADER", "FOOTER", "IGNORECASE", "MULTILINE"}) {
        if (!line.startsWith(keyword, Qt::CaseInsensitive)) continue;
        qsizetype equals = line.indexOf('=');
        qsizetype keyEnd = equals < 0 ? line.size() : equals + 1;
        setFormat(start, keyEnd, kKeyword);
        if (equals >= 0) setFormat(start + keyEnd, line.size() - keyEnd, kValue);
        return;
    }
}

}  // namespace tintext
