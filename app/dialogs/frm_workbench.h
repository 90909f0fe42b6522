// The definition workbench: a syntax definition's text in an editor, beside
// it a live preview of a sample file converted with the definition as it
// stands, and below the problems the definition check finds, each a line to
// go to. Conversions run on a worker thread; each edit cancels the one under
// way, so typing never waits for them.
#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/preview_worker.h"

class QFileSystemWatcher;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTextBrowser;

namespace tintext {

class CodeEditor;

class FrmWorkbench : public QMainWindow {
    Q_OBJECT

public:
    explicit FrmWorkbench(QWidget* parent = nullptr);
    ~FrmWorkbench() override;

    // Opens a definition; false, after telling the user, when it cannot be read.
    // A shipped definition, an unwritable file or one that is not UTF-8 opens read-only.
    bool OpenDefinition(const QString& path);
    // Reads the file to convert in the preview; false, after telling the user, when it cannot be read.
    bool OpenSample(const QString& path);
    // Writes the text to the definition's file (Save As for a read-only one).
    bool Save();
    // Asks for a file to write the text to; a shipped definition is offered
    // the user's own definitions folder, where it then takes the shipped one's place.
    bool SaveAs();
    // Reads the file again, after asking when there are changes to lose.
    void Revert();

    QString DefinitionPath() const { return path_; }
    bool IsReadOnly() const { return readOnly_; }
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    CodeEditor* Editor() const { return editor_; }
    QTextBrowser* Preview() const { return preview_; }
    QListWidget* Problems() const { return problems_; }
    // The line above the editor that tells about the file (read-only, changed on disk).
    QLabel* Notice() const { return notice_; }
    QLabel* MatchInfo() const { return matchInfo_; }
    QLabel* PreviewInfo() const { return previewInfo_; }

signals:
    // A preview conversion of the current text has ended and is all shown.
    void PreviewFinished();
    // The count for the pattern under the cursor is known.
    void MatchesCounted();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void UpdateTitle();
    void ShowNotice(const QString& text, bool offerReload = false);
    bool WriteTo(const QString& path);
    bool LoadText(const QByteArray& bytes);
    void FileChangedOnDisk();
    void ScheduleWork();
    void StartPreview();
    void StartCount();
    void InsertNextPiece();
    void ShowProblems(const std::vector<DefinitionProblem>& problems);
    void AddProblem(int32_t line, const QString& message);
    void ProblemChosen(QListWidgetItem* item);
    void PreviewDone(size_t htmlBytes, bool complete, const std::string& failure, int32_t failureLine);
    void ShowCount(const MatchCount& count);
    void MarkMatches();

    CodeEditor* editor_;
    QTextBrowser* preview_;
    QListWidget* problems_;
    QLabel* notice_;
    QPushButton* reload_;
    QPushButton* keepMine_;
    QWidget* noticeBar_;
    QLabel* matchInfo_;
    QLabel* previewInfo_;
    QFileSystemWatcher* watcher_;
    QTimer previewTimer_;
    QTimer countTimer_;
    QTimer pieceTimer_;

    QString path_;
    QByteArray diskBytes_;  // the file as last read or written
    bool readOnly_ = false;
    QString samplePath_;
    std::shared_ptr<const std::string> sample_;
    FileChooser chooser_;

    uint64_t generation_ = 0;           // of the latest preview request
    uint64_t shownGeneration_ = 0;      // of the preview on screen
    std::vector<std::string> pieces_;   // received, not yet shown
    bool previewDone_ = false;          // the latest conversion has ended
    int scrollTo_ = -1;                 // the place to keep while a new preview fills in
    int countLine_ = 0;                 // the pattern line counted last
    MatchCount count_;
    uint64_t countGeneration_ = 0;

    // Declared last: destroyed first, so no worker reports to a half-destroyed window.
    std::unique_ptr<LatestTaskRunner> previewRunner_;
    std::unique_ptr<LatestTaskRunner> countRunner_;
};

}  // namespace tintext
