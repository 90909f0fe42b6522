// The workbench's editor: plain text with line numbers in a margin, and the
// highlighting of a syntax definition's own format (section headers,
// keywords, patterns, templates, comments).
#pragma once

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

namespace tintext {

class CodeEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CodeEditor(QWidget* parent = nullptr);

    int LineNumberAreaWidth() const;
    void PaintLineNumbers(QPaintEvent* event);
    // The line of the text cursor, counted from 1.
    int CurrentLine() const { return textCursor().blockNumber() + 1; }
    // Puts the cursor at the start of a line (counted from 1) and shows it.
    void GoToLine(int line);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateMargin();
    void UpdateLineNumberArea(const QRect& rect, int dy);

    QWidget* lineNumberArea_;
};

// Colours a definition's lines by what the loader makes of them.
class HldHighlighter : public QSyntaxHighlighter {
public:
    explicit HldHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};

}  // namespace tintext
