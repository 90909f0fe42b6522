#include "app/dialogs/frm_workbench.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/dialogs/app_icon.h"
#include "app/dialogs/code_editor.h"
#include "engine/job.h"
#include "support/job_environment.h"
#include "support/program_info.h"
#include "support/error.h"
#include "support/system.h"
#include "support/text_codec.h"
#include "support/utf8.h"

namespace tintext {

namespace {

// The preview starts this long after the last keystroke; its first piece
// follows within milliseconds, well inside the 300 the user may wait.
constexpr int kPreviewDelayMs = 120;
constexpr int kCountDelayMs = 150;

constexpr const char* kSyntaxFilter = "Syntax files (*.hld)|*.hld|All files (*.*)|*.*";
constexpr const char* kSampleFilter = "All files (*.*)|*.*";

QString SizeText(size_t bytes) {
    if (bytes < 1024 * 1024) return QString::number((bytes + 1023) / 1024) + " KB";
    return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + " MB";
}

bool SameFolder(const QString& a, const std::string& b) {
    QString canonical = QFileInfo(ToQt(b)).canonicalFilePath();
    return !canonical.isEmpty() && QFileInfo(a).canonicalPath() == canonical;
}

}  // namespace

FrmWorkbench::FrmWorkbench(QWidget* parent)
    : QMainWindow(parent),
      chooser_(ChooseFile),
      previewRunner_(std::make_unique<LatestTaskRunner>()),
      countRunner_(std::make_unique<LatestTaskRunner>()) {
    setObjectName("frmWorkbench");
    setWindowIcon(AppIcon());

    editor_ = new CodeEditor;
    editor_->setObjectName("txtDefinition");
    new HldHighlighter(editor_->document());
    preview_ = new QTextBrowser;
    preview_->setObjectName("Preview");
    preview_->setOpenLinks(false);
    preview_->setUndoRedoEnabled(false);
    problems_ = new QListWidget;
    problems_->setObjectName("lstProblems");

    notice_ = new QLabel;
    notice_->setObjectName("lblNotice");
    notice_->setWordWrap(true);
    reload_ = new QPushButton("&Reload from Disk");
    reload_->setObjectName("cmdReload");
    keepMine_ = new QPushButton("&Keep My Text");
    keepMine_->setObjectName("cmdKeepMine");
    noticeBar_ = new QWidget;
    auto* noticeLayout = new QHBoxLayout(noticeBar_);
    noticeLayout->addWidget(notice_, 1);
    noticeLayout->addWidget(reload_);
    noticeLayout->addWidget(keepMine_);
    noticeBar_->hide();

    auto* sideBySide = new QSplitter(Qt::Horizontal);
    sideBySide->addWidget(editor_);
    sideBySide->addWidget(preview_);
    auto* aboveBelow = new QSplitter(Qt::Vertical);
    aboveBelow->addWidget(sideBySide);
    aboveBelow->addWidget(problems_);
    aboveBelow->setStretchFactor(0, 4);
    aboveBelow->setStretchFactor(1, 1);
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(noticeBar_);
    layout->addWidget(aboveBelow, 1);
    setCentralWidget(central);

    matchInfo_ = new QLabel;
    matchInfo_->setObjectName("lblMatches");
    previewInfo_ = new QLabel;
    previewInfo_->setObjectName("lblPreview");
    statusBar()->addWidget(matchInfo_, 1);
    statusBar()->addPermanentWidget(previewInfo_);

    BuildMenus();
    resize(1100, 700);

    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &FrmWorkbench::FileChangedOnDisk);
    connect(reload_, &QPushButton::clicked, this, [this] {
        QFile file(path_);
        if (file.open(QIODevice::ReadOnly)) LoadText(file.readAll());
        noticeBar_->hide();
    });
    connect(keepMine_, &QPushButton::clicked, this, [this] {
        // The file on disk is now the one Save replaces, without asking again.
        QFile file(path_);
        if (file.open(QIODevice::ReadOnly)) diskBytes_ = file.readAll();
        noticeBar_->hide();
    });

    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(kPreviewDelayMs);
    connect(&previewTimer_, &QTimer::timeout, this, &FrmWorkbench::StartPreview);
    countTimer_.setSingleShot(true);
    countTimer_.setInterval(kCountDelayMs);
    connect(&countTimer_, &QTimer::timeout, this, &FrmWorkbench::StartCount);
    // One piece of preview per pass of the event loop, so keystrokes are handled in between.
    pieceTimer_.setInterval(0);
    connect(&pieceTimer_, &QTimer::timeout, this, &FrmWorkbench::InsertNextPiece);

    connect(editor_, &QPlainTextEdit::textChanged, this, &FrmWorkbench::ScheduleWork);
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (editor_->CurrentLine() != countLine_) countTimer_.start();
    });
    connect(editor_->document(), &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);
    connect(problems_, &QListWidget::itemClicked, this, &FrmWorkbench::ProblemChosen);
    connect(problems_, &QListWidget::itemActivated, this, &FrmWorkbench::ProblemChosen);

    preview_->setPlainText("No sample file yet: choose one with File > Open Sample...");
    UpdateTitle();
}

FrmWorkbench::~FrmWorkbench() {
    previewRunner_.reset();
    countRunner_.reset();
}

void FrmWorkbench::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    auto add = [&](const char* name, const char* caption, QKeySequence key, auto slot) {
        QAction* action = file->addAction(caption);
        action->setObjectName(name);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("mnuOpenDefinition", "&Open Definition...", QKeySequence::Open, [this] {
        BrowseRequest request{"Select Syntax File", QtFileFilters(kSyntaxFilter), QFileInfo(path_).path(),
                              QFileInfo(path_).fileName(), false, false};
        QString chosen = chooser_(this, request);
        if (chosen.isEmpty()) return;
        if (isWindowModified()) {
            auto* other = new FrmWorkbench;  // the unsaved text stays in this window
            other->setAttribute(Qt::WA_DeleteOnClose);
            if (!samplePath_.isEmpty()) other->OpenSample(samplePath_);
            if (other->OpenDefinition(chosen)) other->show(); else delete other;
            return;
        }
        OpenDefinition(chosen);
    });
    add("mnuOpenSample", "Open &Sample...", QKeySequence(), [this] {
        BrowseRequest request{"Select Sample File", QtFileFilters(kSampleFilter), QFileInfo(samplePath_).path(),
                              QFileInfo(samplePath_).fileName(), false, false};
        QString chosen = chooser_(this, request);
        if (!chosen.isEmpty()) OpenSample(chosen);
    });
    file->addSeparator();
    add("mnuSave", "&Save", QKeySequence::Save, [this] { Save(); });
    add("mnuSaveAs", "Save &As...", QKeySequence::SaveAs, [this] { SaveAs(); });
    add("mnuRevert", "&Revert", QKeySequence(), &FrmWorkbench::Revert);
    file->addSeparator();
    add("mnuClose", "&Close", QKeySequence::Close, &QWidget::close);

    QMenu* help = menuBar()->addMenu("&Help");
    QAction* helpHelp = help->addAction("&Help");
    helpHelp->setShortcut(Qt::Key_F1);
    connect(helpHelp, &QAction::triggered, this,
            [] { ShowHelpTopic(std::string(kMainDialogHelpTopic) + "#workbench"); });
}

void FrmWorkbench::UpdateTitle() {
    QString name = path_.isEmpty() ? QString("(new definition)") : QFileInfo(path_).fileName();
    QString title = name + "[*]";
    if (readOnly_) title += " (read-only)";
    setWindowTitle(title + " - Edit Syntax Definition - " + kProgramTitle);
    if (!path_.isEmpty()) setWindowFilePath(path_);
}

void FrmWorkbench::ShowNotice(const QString& text, bool offerReload) {
    notice_->setText(text);
    reload_->setVisible(offerReload);
    keepMine_->setVisible(offerReload);
    noticeBar_->setVisible(!text.isEmpty());
}

bool FrmWorkbench::OpenDefinition(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, ToQt(ApplicationTitle()),
                             "The syntax definition " + path + " cannot be opened: " + file.errorString());
        return false;
    }
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    path_ = QFileInfo(path).absoluteFilePath();
    const QByteArray bytes = file.readAll();
    readOnly_ = SameFolder(path_, DefaultHldFolder()) || !QFileInfo(path_).isWritable();
    LoadText(bytes);
    watcher_->addPath(path_);
    return true;
}

bool FrmWorkbench::LoadText(const QByteArray& bytes) {
    diskBytes_ = bytes;
    std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
    size_t bad = 0;
    const bool utf8 = IsValidUtf8(view, &bad);
    QString notice;
    if (!utf8) {
        // Shown as conversions read it; read-only, so that its bytes are never rewritten unasked.
        readOnly_ = true;
        const int line = static_cast<int>(std::count(view.begin(), view.begin() + bad, '\n')) + 1;
        notice = QString("%1 is not UTF-8 text (the first byte that is not is on line %2). It is shown as "
                         "Windows-1252, as conversions read it, and opened read-only so that the file stays "
                         "as it is; Save As writes a UTF-8 copy.")
                     .arg(QFileInfo(path_).fileName())
                     .arg(line);
    } else if (SameFolder(path_, DefaultHldFolder())) {
        notice = "This definition comes with " + QString(kProgramTitle) +
                 " and opens read-only. Save As puts your copy in " + ToQt(UserHldFolder()) +
                 ", where it is used instead of this one.";
    } else if (readOnly_) {
        notice = "You cannot write to " + path_ + ": it opens read-only. Save As writes a copy.";
    }
    editor_->setPlainText(ToQt(DecodeFileText(std::string(view))));
    editor_->setReadOnly(readOnly_);
    editor_->document()->setModified(false);
    setWindowModified(false);
    ShowNotice(notice);
    UpdateTitle();
    return true;
}

bool FrmWorkbench::OpenSample(const QString& path) {
    try {
        sample_ = std::make_shared<const std::string>(System().ReadFileToString(FromQt(path)));
    } catch (const Error& e) {
        QMessageBox::warning(this, ToQt(ApplicationTitle()),
                             "The sample file " + path + " cannot be read: " + ToQt(e.Description()));
        return false;
    }
    samplePath_ = QFileInfo(path).absoluteFilePath();
    preview_->setToolTip("Preview of " + samplePath_);
    ScheduleWork();
    return true;
}

bool FrmWorkbench::Save() {
    if (path_.isEmpty() || readOnly_) return SaveAs();
    return WriteTo(path_);
}

bool FrmWorkbench::SaveAs() {
    BrowseRequest request{"Save Syntax Definition As", QtFileFilters(kSyntaxFilter), QFileInfo(path_).path(),
                          QFileInfo(path_).fileName(), true, true};
    if (path_.isEmpty() || SameFolder(path_, DefaultHldFolder())) {
        // The user's own folder, which every look-up searches first.
        QDir().mkpath(ToQt(UserHldFolder()));
        request.initialFolder = ToQt(UserHldFolder());
    }
    QString chosen = chooser_(this, request);
    if (chosen.isEmpty()) return false;
    if (!WriteTo(chosen)) return false;
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    path_ = QFileInfo(chosen).absoluteFilePath();
    readOnly_ = false;
    editor_->setReadOnly(false);
    ShowNotice({});
    UpdateTitle();
    watcher_->addPath(path_);
    return true;
}

bool FrmWorkbench::WriteTo(const QString& path) {
    const QByteArray bytes = editor_->toPlainText().toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QMessageBox::warning(this, ToQt(ApplicationTitle()),
                             "The syntax definition cannot be written to " + path + ": " + file.errorString() +
                                 "\n\nYour text is kept in the editor.");
        return false;
    }
    diskBytes_ = bytes;
    editor_->document()->setModified(false);
    // The new file replaced the old one: watch the new one.
    if (QFileInfo(path).absoluteFilePath() == path_) {
        watcher_->removePath(path_);
        watcher_->addPath(path_);
        ShowNotice({});
    }
    return true;
}

void FrmWorkbench::Revert() {
    if (path_.isEmpty()) return;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, ToQt(ApplicationTitle()),
                             "The syntax definition " + path_ + " cannot be read again: " + file.errorString() +
                                 "\n\nYour text is kept in the editor.");
        return;
    }
    if (editor_->document()->isModified()) {
        QMessageBox ask(QMessageBox::Question, ToQt(ApplicationTitle()),
                        "Discard your changes to " + QFileInfo(path_).fileName() + " and read the file again?",
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName("RevertQuestion");
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() != QMessageBox::Yes) return;
    }
    LoadText(file.readAll());
}

void FrmWorkbench::FileChangedOnDisk() {
    const QString name = QFileInfo(path_).fileName();
    QFile file(path_);
    if (!file.exists()) {
        // Nothing is lost: the text stays, and counts as unsaved so that closing asks.
        editor_->document()->setModified(true);
        ShowNotice(name + " was deleted or moved on disk. Your text is kept here; Save writes the file again.");
        return;
    }
    watcher_->addPath(path_);  // a file replaced by a rename is watched no longer
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    if (bytes == diskBytes_) return;  // our own save, or a touch
    if (!editor_->document()->isModified()) {
        const bool wasReadOnly = readOnly_;
        LoadText(bytes);
        readOnly_ = wasReadOnly || readOnly_;
        editor_->setReadOnly(readOnly_);
        if (notice_->text().isEmpty()) ShowNotice(name + " was changed on disk and has been read again.");
        return;
    }
    ShowNotice(name + " was changed on disk, and you have changes of your own. Reload it (your changes are "
                      "lost) or keep your text (Save then replaces the file)?",
               true);
}

void FrmWorkbench::closeEvent(QCloseEvent* event) {
    if (!editor_->document()->isModified()) {
        event->accept();
        return;
    }
    QMessageBox ask(QMessageBox::Warning, ToQt(ApplicationTitle()),
                    (path_.isEmpty() ? QString("The new definition") : QFileInfo(path_).fileName()) +
                        " has changes that are not saved.\n\nSave them before closing?",
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    ask.setObjectName("UnsavedQuestion");
    ask.setDefaultButton(QMessageBox::Save);
    ask.setEscapeButton(QMessageBox::Cancel);
    const int answer = ask.exec();
    if (answer == QMessageBox::Discard || (answer == QMessageBox::Save && Save())) {
        event->accept();
    } else {
        event->ignore();
    }
}

void FrmWorkbench::ScheduleWork() {
    // Each keystroke only restarts the timers; the work starts once typing pauses.
    previewTimer_.start();
    countLine_ = 0;
    countTimer_.start();
}

void FrmWorkbench::StartPreview() {
    const uint64_t generation = ++generation_;
    previewDone_ = false;
    auto definition = std::make_shared<const std::string>(FromQt(editor_->toPlainText()));
    auto sample = sample_ ? sample_ : std::make_shared<const std::string>();
    const std::string name = path_.isEmpty() ? std::string("(new definition)") : FromQt(path_);
    auto post = [this](auto function) { QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection); };
    previewRunner_->Submit([=, this](const std::atomic<bool>& cancelled) {
        PreviewEvents events;
        events.problems = [=, this](std::vector<DefinitionProblem> problems) {
            post([=, this] {
                if (generation == generation_) ShowProblems(problems);
            });
        };
        events.piece = [=, this](std::string html, std::string styleSheet) {
            post([=, this] {
                if (generation != generation_) return;
                if (shownGeneration_ != generation) {
                    // The first piece of a new preview replaces the old one, keeping the place.
                    shownGeneration_ = generation;
                    scrollTo_ = preview_->verticalScrollBar()->value();
                    pieces_.clear();
                    preview_->clear();
                    preview_->setExtraSelections({});
                    preview_->document()->setDefaultStyleSheet(ToQt(styleSheet));
                }
                pieces_.push_back(html);
                if (!pieceTimer_.isActive()) pieceTimer_.start();
            });
        };
        events.done = [=, this](size_t htmlBytes, bool complete, std::string failure, int32_t line) {
            post([=, this] {
                if (generation == generation_) PreviewDone(htmlBytes, complete, failure, line);
            });
        };
        ConvertForPreview(*definition, name, *sample, cancelled, events);
    });
}

void FrmWorkbench::InsertNextPiece() {
    if (pieces_.empty()) {
        pieceTimer_.stop();
        if (previewDone_) {
            MarkMatches();
            emit PreviewFinished();
        }
        return;
    }
    std::string piece = std::move(pieces_.front());
    pieces_.erase(pieces_.begin());
    QTextCursor end(preview_->document());
    end.movePosition(QTextCursor::End);
    end.insertHtml(ToQt(piece));
    QScrollBar* bar = preview_->verticalScrollBar();
    if (scrollTo_ >= 0) {
        if (bar->maximum() >= scrollTo_) {
            bar->setValue(scrollTo_);
            scrollTo_ = -1;
        } else {
            bar->setValue(0);
        }
    }
}

void FrmWorkbench::PreviewDone(size_t htmlBytes, bool complete, const std::string& failure, int32_t failureLine) {
    previewDone_ = true;
    if (shownGeneration_ != generation_) {
        // Nothing came out at all (an empty definition, a failure at once).
        shownGeneration_ = generation_;
        preview_->clear();
    }
    if (!failure.empty()) AddProblem(failureLine, "the conversion stopped: " + ToQt(failure));
    if (!sample_) {
        previewInfo_->setText("No sample file: choose one with File > Open Sample...");
    } else {
        previewInfo_->setText(complete ? "Preview: " + SizeText(htmlBytes) + " of HTML"
                                       : "The preview shows the first " + SizeText(kPreviewHtmlLimit) + " of " +
                                             SizeText(htmlBytes) + " of HTML");
    }
    if (!pieceTimer_.isActive()) pieceTimer_.start();
}

void FrmWorkbench::ShowProblems(const std::vector<DefinitionProblem>& problems) {
    problems_->clear();
    for (const DefinitionProblem& problem : problems) AddProblem(problem.line, ToQt(problem.message));
}

void FrmWorkbench::AddProblem(int32_t line, const QString& message) {
    auto* item = new QListWidgetItem(line > 0 ? QString::number(line) + ": " + message : message, problems_);
    item->setData(Qt::UserRole, line);
    item->setToolTip(item->text());
}

void FrmWorkbench::ProblemChosen(QListWidgetItem* item) {
    const int line = item->data(Qt::UserRole).toInt();
    if (line > 0) editor_->GoToLine(line);
}

void FrmWorkbench::StartCount() {
    const int line = editor_->CurrentLine();
    countLine_ = line;
    const QString text = editor_->textCursor().block().text().trimmed();
    if (!text.startsWith("PATTERN", Qt::CaseInsensitive)) {
        countRunner_->CancelAll();
        ++countGeneration_;
        count_ = {};
        matchInfo_->clear();
        preview_->setExtraSelections({});
        return;
    }
    const uint64_t generation = ++countGeneration_;
    auto definition = std::make_shared<const std::string>(FromQt(editor_->toPlainText()));
    auto sample = sample_ ? sample_ : std::make_shared<const std::string>();
    matchInfo_->setText(QString("Line %1: counting matches...").arg(line));
    countRunner_->Submit([=, this](const std::atomic<bool>& cancelled) {
        MatchCount count = CountPatternMatches(*definition, line, *sample, cancelled);
        if (cancelled) return;
        QMetaObject::invokeMethod(
            this,
            [=, this] {
                if (generation == countGeneration_) ShowCount(count);
            },
            Qt::QueuedConnection);
    });
}

void FrmWorkbench::ShowCount(const MatchCount& count) {
    count_ = count;
    if (!count.failure.empty()) {
        matchInfo_->setText(QString("Line %1: %2").arg(count.line).arg(ToQt(count.failure)));
    } else if (!sample_) {
        matchInfo_->setText(QString("Line %1: no sample to search").arg(count.line));
    } else {
        matchInfo_->setText(QString("Line %1: %2 %3 in the sample")
                                .arg(count.line)
                                .arg(count.count)
                                .arg(count.count == 1 ? "match" : "matches"));
    }
    MarkMatches();
    emit MatchesCounted();
}

void FrmWorkbench::MarkMatches() {
    // The preview shows the sample's text in its own form; each match is looked
    // for a little ahead of the previous one, so text the definition drops or
    // adds does not lead the marks astray.
    constexpr qsizetype kLookAhead = 4096;
    QList<QTextEdit::ExtraSelection> marks;
    if (count_.matches.empty()) {
        preview_->setExtraSelections(marks);
        return;
    }
    const QString shown = preview_->document()->toPlainText();
    QTextCharFormat look;
    look.setBackground(QColor(255, 225, 90));
    qsizetype from = 0;
    for (const std::string& match : count_.matches) {
        const QString text = ToQt(match);
        if (text.isEmpty() || text.contains('\n')) continue;
        const qsizetype at = shown.indexOf(text, from);
        if (at < 0 || at - from > kLookAhead) continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(preview_->document());
        mark.cursor.setPosition(static_cast<int>(at));
        mark.cursor.setPosition(static_cast<int>(at + text.size()), QTextCursor::KeepAnchor);
        mark.format = look;
        marks << mark;
        from = at + text.size();
    }
    preview_->setExtraSelections(marks);
}

}  // namespace tintext
