#include "app/dialogs/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/dialogs/app_icon.h"
#include "app/dialogs/check_box.h"
#include "app/dialogs/desktop_hooks.h"
#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/folder_job.h"
#include "app/dialogs/frm_about.h"
#include "app/dialogs/frm_progress.h"
#include "app/dialogs/frm_show_once.h"
#include "app/dialogs/frm_workbench.h"
#include "app/dialogs/qt_environment.h"
#include "app/batch_run.h"
#include "app/folder_run.h"
#include "app/site_index.h"
#include "app/page_options.h"
#include "app/settings.h"
#include "engine/job.h"
#include "engine/theme.h"
#include "support/code_pages.h"
#include "support/conversions.h"
#include "support/error.h"
#include "support/job_environment.h"
#include "support/program_info.h"
#include "support/system.h"

namespace tintext {

namespace {

constexpr const char* kInputFilter = "All files (*.*)|*.*|Active Server Page (*.asp)|*.asp|VB Script (*.vbs)|*.vbs";
constexpr const char* kOutputFilter = "HTML files (*.htm;*.html)|*.htm;*.html|All files (*.*)|*.*";
constexpr const char* kSyntaxFilter = "Syntax files (*.hld)|*.hld|All files (*.*)|*.*";

// Height of the feedback and support notices, in twips.
constexpr int32_t kNoticeHeight = 2500;

QLineEdit* NewBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMinimumWidth(TwipsToPixels(4695));
    return box;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setMinimumWidth(TwipsToPixels(1095));
    return button;
}

QComboBox* NewComboBox(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

CheckBox* NewCheckBox(QWidget* parent, const char* name, const char* caption) {
    auto* box = new CheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QLabel* NewLabel(QWidget* parent, const char* caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

void RunProcess(const JobRequest& request, const JobServices& services) { Process(request, services); }

}  // namespace

FrmMain::FrmMain(QWidget* parent)
    : QDialog(parent),
      job_(RunProcess),
      chooser_(ChooseFile),
      saver_(SaveDialogSettings) {
    setObjectName("frmMain");
    // A main window, not a dialog: it has the window system's usual buttons.
    setWindowFlags(Qt::Window);
    SetHelpFilePath(FindHelpFolder());
    setWindowTitle(ToQt(ApplicationTitle()));
    setWindowIcon(AppIcon());

    BuildControls();
    BuildMenus();
    SetTooltips();

    // The progress dialog lives as long as this dialog, hidden between jobs.
    // Owned by it, so that it stays above it and within reach of its Cancel.
    progress_ = new FrmProgress(this);
    progress_->setWindowIcon(AppIcon());
    previousEnvironment_ = &Env();
    environment_ = std::make_unique<QtEnvironment>(progress_, this);
    SetEnv(environment_.get());
    hooks_ = std::make_unique<DesktopHooks>();
    Env().SetProgressValue(0);

    cmdGo_->setEnabled(false);
}

FrmMain::~FrmMain() {
    hooks_.reset();
    if (&Env() == environment_.get()) SetEnv(previousEnvironment_);
    environment_.reset();
}

void FrmMain::BuildControls() {
    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName("Frame1");

    txtInputFilename_ = NewBox(frame1, "txtInputFilename");
    cmdBrowseInput_ = NewButton(frame1, "cmdBrowseInput", "Browse");
    cmdBrowseInputFolder_ = NewButton(frame1, "cmdBrowseInputFolder", "Folder");
    chkDosText_ = NewCheckBox(frame1, "chkDosText", "DOS Text");
    cboCodePage_ = NewComboBox(frame1, "cboCodePage");
    txtOutputFilename_ = NewBox(frame1, "txtOutputFilename");
    cmdBrowseOutput_ = NewButton(frame1, "cmdBrowseOutput", "Browse");
    chkUseDefaultHLD_ = NewCheckBox(frame1, "chkUseDefaultHLD", "&Use default syntax file for this file type");
    txtHLDFileName_ = NewBox(frame1, "txtHLDFileName");
    cmdBrowseHLD_ = NewButton(frame1, "cmdBrowseHLD", "Browse");
    cboTheme_ = NewComboBox(frame1, "cboTheme");
    chkLineNumbers_ = NewCheckBox(frame1, "chkLineNumbers", "&Line numbers");
    chkFragment_ = NewCheckBox(frame1, "chkFragment", "Fragment to &embed in another page");
    chkShowOutput_ = NewCheckBox(frame1, "chkShowOutput", "&Show output after formatting");
    FillChoices();
    cmdGo_ = NewButton(this, "cmdGo", "&Go");
    cmdGo_->setDefault(true);
    cmdExit_ = NewButton(this, "cmdExit", "E&xit");
    // Only Go answers Enter: a button that merely had the focus must not take the default role.
    for (QPushButton* button : {cmdBrowseInput_, cmdBrowseInputFolder_, cmdBrowseOutput_, cmdBrowseHLD_, cmdExit_})
        button->setAutoDefault(false);

    auto* fields = new QGridLayout(frame1);
    fields->setColumnStretch(1, 1);
    fields->addWidget(NewLabel(frame1, "&Input File:", txtInputFilename_), 0, 0);
    fields->addWidget(txtInputFilename_, 0, 1);
    fields->addWidget(cmdBrowseInput_, 0, 2);
    fields->addWidget(cmdBrowseInputFolder_, 0, 3);
    fields->addWidget(chkDosText_, 1, 1);
    fields->addWidget(NewLabel(frame1, "&Code page:", cboCodePage_), 2, 0);
    fields->addWidget(cboCodePage_, 2, 1, Qt::AlignLeft);
    fields->setRowMinimumHeight(3, TwipsToPixels(60));
    fields->addWidget(NewLabel(frame1, "&Output File:", txtOutputFilename_), 4, 0);
    fields->addWidget(txtOutputFilename_, 4, 1);
    fields->addWidget(cmdBrowseOutput_, 4, 2);
    fields->addWidget(chkUseDefaultHLD_, 5, 1);
    fields->addWidget(NewLabel(frame1, "&Syntax File:", txtHLDFileName_), 6, 0);
    fields->addWidget(txtHLDFileName_, 6, 1);
    fields->addWidget(cmdBrowseHLD_, 6, 2);
    fields->setRowMinimumHeight(7, TwipsToPixels(240));
    fields->addWidget(NewLabel(frame1, "The&me:", cboTheme_), 8, 0);
    fields->addWidget(cboTheme_, 8, 1, Qt::AlignLeft);
    auto* pageBoxes = new QHBoxLayout;
    pageBoxes->addWidget(chkLineNumbers_);
    pageBoxes->addWidget(chkFragment_);
    pageBoxes->addStretch();
    fields->addLayout(pageBoxes, 9, 1);
    fields->setRowMinimumHeight(10, TwipsToPixels(120));
    fields->addWidget(chkShowOutput_, 11, 1);
    // Room the window gains goes below the fields, so each label stays beside its box.
    fields->setRowStretch(12, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdGo_);
    buttons->addWidget(cmdExit_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(TwipsToPixels(120), TwipsToPixels(120), TwipsToPixels(120), TwipsToPixels(120));
    layout->addWidget(frame1);
    layout->addLayout(buttons);

    QWidget* tabOrder[] = {txtInputFilename_, cmdBrowseInput_,   cmdBrowseInputFolder_, chkDosText_,
                           cboCodePage_,      txtOutputFilename_, cmdBrowseOutput_,  chkUseDefaultHLD_,
                           txtHLDFileName_,   cmdBrowseHLD_,     cboTheme_,          chkLineNumbers_,
                           chkFragment_,      chkShowOutput_,    cmdGo_,             cmdExit_};
    for (size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(chkUseDefaultHLD_, &QCheckBox::stateChanged, this, &FrmMain::UpdateHLDFileNameInput);
    connect(txtOutputFilename_, &QLineEdit::textChanged, this, &FrmMain::OutputTextChanged);
    connect(cmdBrowseInput_, &QPushButton::clicked, this, [this] { Browse(BrowseKind::Input); });
    connect(cmdBrowseInputFolder_, &QPushButton::clicked, this, [this] { Browse(BrowseKind::InputFolder); });
    connect(cmdBrowseOutput_, &QPushButton::clicked, this, [this] { Browse(BrowseKind::Output); });
    connect(cmdBrowseHLD_, &QPushButton::clicked, this, [this] { Browse(BrowseKind::HLD); });
    connect(cmdGo_, &QPushButton::clicked, this, &FrmMain::Go);
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);
}

void FrmMain::FillChoices() {
    // The pages /codepage accepts, from the one table of them.
    cboCodePage_->addItem("Automatic", QString());
    for (const CodePageInfo& page : KnownCodePages()) {
        cboCodePage_->addItem(ToQt(CodePageLabel(page.number) + ", " + page.description),
                              QString::number(page.number));
    }
    // The themes /theme accepts, those beside the shipped definitions; the
    // default one always, as it is no /theme at all.
    std::vector<std::string> themes = ThemeNames(DefaultThemesFolder());
    if (std::find(themes.begin(), themes.end(), kDefaultTheme) == themes.end())
        themes.insert(themes.begin(), kDefaultTheme);
    for (const std::string& theme : themes) {
        const std::string caption =
            theme == kDefaultTheme ? theme + " (light, or dark where the reader's system prefers it)" : theme;
        cboTheme_->addItem(ToQt(caption), ToQt(theme));
    }
}

void FrmMain::ShowCodePage(const std::string& stored) {
    const std::optional<int> page = CodePageFromName(stored);
    const int index = page ? cboCodePage_->findData(QString::number(*page)) : -1;
    storedCodePage_ = stored;
    storedCodePageIndex_ = index < 0 ? 0 : index;
    cboCodePage_->setCurrentIndex(storedCodePageIndex_);
}

void FrmMain::ShowTheme(const std::string& theme) {
    int index = cboTheme_->findData(ToQt(theme));
    // A theme of the user's own is kept as it is; Go says so if no folder offers it.
    if (index < 0) {
        cboTheme_->addItem(ToQt(theme), ToQt(theme));
        index = cboTheme_->count() - 1;
    }
    cboTheme_->setCurrentIndex(index);
}

void FrmMain::BuildMenus() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("MenuBar");
    layout()->setMenuBar(menuBar_);

    QMenu* mnuFile = menuBar_->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    QAction* mnuFileExit = mnuFile->addAction("E&xit");
    mnuFileExit->setObjectName("mnuFileExit");
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);

    QMenu* mnuTools = menuBar_->addMenu("&Tools");
    mnuTools->setObjectName("mnuTools");
    QAction* mnuToolsEdit = mnuTools->addAction("&Edit Syntax Definition...");
    mnuToolsEdit->setObjectName("mnuToolsEditDefinition");
    connect(mnuToolsEdit, &QAction::triggered, this, &FrmMain::EditSyntaxDefinition);

    QMenu* mnuHelp = menuBar_->addMenu("&Help");
    mnuHelp->setObjectName("mnuHelp");
    QAction* mnuHelpHelp = mnuHelp->addAction("&Help");
    mnuHelpHelp->setObjectName("mnuHelpHelp");
    mnuHelpHelp->setShortcut(Qt::Key_F1);
    mnuHelpHelp->setShortcutContext(Qt::WindowShortcut);
    addAction(mnuHelpHelp);
    connect(mnuHelpHelp, &QAction::triggered, this, [] { ShowHelpTopic(kMainDialogHelpTopic); });
    mnuHelp->addSeparator()->setObjectName("mnuHelpSep2");
    QAction* mnuFeedback = mnuHelp->addAction("&Feedback");
    mnuFeedback->setObjectName("mnuFeedback");
    connect(mnuFeedback, &QAction::triggered, this, &FrmMain::SendFeedback);
    QAction* mnuSupport = mnuHelp->addAction("&Support");
    mnuSupport->setObjectName("mnuSupport");
    connect(mnuSupport, &QAction::triggered, this, &FrmMain::RequestSupport);
    mnuCheckVersion_ = mnuHelp->addAction("&Check For Updates");
    mnuCheckVersion_->setObjectName("mnuCheckVersion");
    mnuCheckVersion_->setVisible(!dispatchAddress_.empty());
    connect(mnuCheckVersion_, &QAction::triggered, this, &FrmMain::CheckForUpdates);
    mnuHelp->addSeparator()->setObjectName("mnuHelpSeperator1");
    mnuHelpAbout_ = mnuHelp->addAction("&About");
    mnuHelpAbout_->setObjectName("mnuHelpAbout");
    connect(mnuHelpAbout_, &QAction::triggered, this, &FrmMain::ShowAbout);
}

void FrmMain::SetTooltips() {
    chkDosText_->setToolTip("Check this box if the input file was written from a DOS program using OEM characters.");
    txtInputFilename_->setToolTip("Specify the file name of the ASP file to syntax hilite");
    txtOutputFilename_->setToolTip("Enter the file name of the destination HTML file");
    chkShowOutput_->setToolTip("Show the resulting HTML file in a browser after the conversion");
    chkUseDefaultHLD_->setToolTip("Use the file name extension to determine which HLD file to use");
    txtHLDFileName_->setToolTip("Specify a specific HLD file to use for conversion");
    cmdGo_->setToolTip("Start the formatting");
    cmdExit_->setToolTip("Exit the program");
    cmdBrowseInput_->setToolTip("Browse for input file");
    cmdBrowseInputFolder_->setToolTip("Browse for an input folder: each of its files becomes a page in the output "
                                      "folder, with an index of them all");
    cmdBrowseInputFolder_->setAccessibleName("Browse for input folder");
    cmdBrowseHLD_->setToolTip("Browse for HLD file");
    cmdBrowseOutput_->setToolTip("Browse for output file");
    cboCodePage_->setToolTip("The input file's character set. Automatic: a byte-order mark, else UTF-8 when the "
                             "file is valid UTF-8, else the page's own declaration, else a guess");
    cboTheme_->setToolTip("The colours of the page written around the output");
    chkLineNumbers_->setToolTip("Number each line of the output; each line is an anchor #L<n>");
    chkFragment_->setToolTip("Write a <div> to paste into another page instead of a whole page");
    mnuHelpAbout_->setText(QString("About ") + kProgramTitle + "...");
}

void FrmMain::LoadSettings(const DialogSettings& settings) {
    // Setting the boxes raises their change handlers, as a user's edit would.
    txtInputFilename_->setText(ToQt(settings.inputFile));
    txtOutputFilename_->setText(ToQt(settings.outputFile));
    txtHLDFileName_->setText(ToQt(settings.hldFile));
    // A stored state the check box cannot hold counts as the default, ticked.
    chkShowOutput_->SetValue(settings.showOutput, 1);
    chkUseDefaultHLD_->SetValue(settings.useDefaultHld, 1);
    ShowCodePage(settings.codePage);
    ShowTheme(settings.theme);
    chkLineNumbers_->SetValue(settings.lineNumbers, 0);
    chkFragment_->SetValue(settings.fragment, 0);
    inputDir_ = settings.inputDir;
    outputDir_ = settings.outputDir;
    hldDir_ = settings.hldDir;
}

DialogSettings FrmMain::Settings() const {
    DialogSettings settings;
    settings.inputFile = FromQt(txtInputFilename_->text());
    settings.outputFile = FromQt(txtOutputFilename_->text());
    settings.hldFile = FromQt(txtHLDFileName_->text());
    settings.showOutput = chkShowOutput_->Value();
    settings.useDefaultHld = chkUseDefaultHLD_->Value();
    settings.inputDir = inputDir_;
    settings.outputDir = outputDir_;
    settings.hldDir = hldDir_;
    const int codePage = cboCodePage_->currentIndex();
    settings.codePage = codePage == storedCodePageIndex_ ? storedCodePage_ : FromQt(cboCodePage_->currentData().toString());
    settings.theme = FromQt(cboTheme_->currentData().toString());
    settings.lineNumbers = chkLineNumbers_->Value();
    settings.fragment = chkFragment_->Value();
    return settings;
}

void FrmMain::SaveSettings() {
    saver_(Settings());

    progress_->hide();
    if (about_) about_->close();
}

void FrmMain::UpdateHLDFileNameInput() {
    bool useDefault = chkUseDefaultHLD_->Value() != 0;
    txtHLDFileName_->setEnabled(!useDefault);
    QPalette colours = txtHLDFileName_->palette();
    QColor background = palette().color(useDefault ? QPalette::Button : QPalette::Base);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, background);
    }
    txtHLDFileName_->setPalette(colours);
}

void FrmMain::OutputTextChanged() { cmdGo_->setEnabled(!jobRunning_ && !txtOutputFilename_->text().isEmpty()); }

void FrmMain::Browse(BrowseKind kind) {
    BrowseRequest request;
    QLineEdit* box = nullptr;
    std::string* folder = nullptr;
    switch (kind) {
        case BrowseKind::Input:
            request = {"Select Input File", QtFileFilters(kInputFilter), {}, {}, false, false};
            box = txtInputFilename_;
            folder = &inputDir_;
            break;
        case BrowseKind::InputFolder:
            request = {"Select Input Folder", {}, {}, {}, false, false, true};
            box = txtInputFilename_;
            folder = &inputDir_;
            break;
        case BrowseKind::Output:
            // For a folder input, the output names the folder of the pages.
            if (IsFolder(FromQt(txtInputFilename_->text()))) {
                request = {"Select Output Folder", {}, {}, {}, false, false, true};
            } else {
                request = {"Select Output File", QtFileFilters(kOutputFilter), {}, {}, true, false};
            }
            box = txtOutputFilename_;
            folder = &outputDir_;
            break;
        case BrowseKind::HLD:
            request = {"Select Syntax File", QtFileFilters(kSyntaxFilter), {}, {}, false, false};
            box = txtHLDFileName_;
            folder = &hldDir_;
            break;
    }
    if (box->text().isEmpty()) {
        request.initialFolder = ToQt(*folder);
    } else {
        request.initialFolder = ToQt(NearestExistingFolder(FromQt(box->text())));
        request.initialFile = QFileInfo(box->text()).fileName();
    }
    QString chosen = chooser_(this, request);
    if (chosen.isEmpty()) return;
    box->setText(chosen);
    *folder = FolderPart(FromQt(chosen));
    // A chosen definition is meant to be used, not greyed and ignored by Go.
    if (kind == BrowseKind::HLD) chkUseDefaultHLD_->SetValue(0, 0);
}

void FrmMain::Go() {
    // Pending events run while a job works, so Go could be pressed again.
    if (jobRunning_) return;
    JobRequest request;
    request.inputfilename = FromQt(txtInputFilename_->text());
    request.destfile = FromQt(txtOutputFilename_->text());
    request.hldfile = chkUseDefaultHLD_->Value() != 0 ? std::string() : FromQt(txtHLDFileName_->text());
    request.hldfolder = Value(std::string());
    request.overwritemode = 2;  // ask
    request.showoutput = chkShowOutput_->Value() != 0;
    request.dostext = SafeCLng(Value(chkDosText_->Value()));
    // The choices reach the job as the same options of a command line would.
    const DialogSettings choices = Settings();
    const CodePageChoice codePage = ChooseCodePage("", choices.codePage);
    request.codePage = codePage.codePage;
    request.codePageSource = codePage.source;
    std::string problem;
    const std::optional<PageOptions> page =
        PageOptionsOfDialog(choices, ThemesFolderOfRun(request.hldfile, ""), problem);
    if (!page) {
        Env().MessageBox(problem, MsgButtons::Ok, MsgIcon::Exclamation, ApplicationTitle());
        return;
    }
    request.page = *page;
    if (IsFolder(request.inputfilename)) {
        RunJob([&] { RunFolderJob(request, codePage); });
        return;
    }
    // Stopped by closing the window: the part done is dropped, and an earlier output stays as it was.
    request.keepPartialOutput = [this] { return !closeAfterJob_; };
    // The check box as it stands when the job opens the output: pending
    // events run while the job works, and the user may change it meanwhile.
    const JobServices services{*environment_, [this] { return chkShowOutput_->Value(); }};
    RunJob([&] { job_(request, services); });
}

void FrmMain::RunFolderJob(const JobRequest& request, const CodePageChoice& codePage) {
    FolderRunOptions options;
    options.source = request.inputfilename;
    options.dest = request.destfile;
    options.hldfile = request.hldfile;
    options.overwritemode = request.overwritemode;
    options.dostext = request.dostext;
    options.codePage = codePage;
    options.page = request.page;
    options.themesFolder = ThemesFolderOfRun(request.hldfile, "");
    environment_->cancelRequested = false;
    const int status = RunFolderOffThread(options, *environment_, this);
    // The index, when the run got as far as writing it.
    const std::string index = options.dest + "/" + kIndexPage;
    const bool show = (status == 0 || status == 1) && !closeAfterJob_ && chkShowOutput_->Value() != 0;
    if (show && QFileInfo(ToQt(index)).isFile()) environment_->OpenDocument(index);
}

void FrmMain::RunJob(const std::function<void()>& job) {
    // Disabling Go moves the focus on; it comes back afterwards, so that Go
    // (the focus's button when it was clicked) keeps answering Enter.
    QPointer<QWidget> focus = QApplication::focusWidget();
    jobRunning_ = true;
    cmdGo_->setEnabled(false);
    try {
        job();
    } catch (const Error& error) {
        // The job reports its own failures; this is only for what escapes it.
        Env().MessageBox(error.Description(), MsgButtons::Ok, MsgIcon::Exclamation, ApplicationTitle());
    } catch (const std::exception& error) {
        Env().MessageBox(error.what(), MsgButtons::Ok, MsgIcon::Exclamation, ApplicationTitle());
    }
    Env().HideProgress();
    Env().SetBusyPointer(false);
    jobRunning_ = false;
    OutputTextChanged();
    if (closeAfterJob_) {
        close();
        return;
    }
    if (focus && focus->isEnabled() && focus->window() == this) focus->setFocus(Qt::OtherFocusReason);
    cmdGo_->setDefault(true);
}

bool FrmMain::ConfirmStop() {
    QMessageBox box(QMessageBox::Question, ToQt(ApplicationTitle()),
                    "A conversion is still running.\n\nStop it and close the program? "
                    "The output file is left as it was before the conversion.",
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("StopQuestion");
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (jobRunning_) {
        // The dialog closes once the stopped job has returned.
        event->ignore();
        if (!closeAfterJob_ && ConfirmStop() && jobRunning_) {
            closeAfterJob_ = true;
            Env().cancelRequested = true;
        }
        return;
    }
    if (!unloaded_) {
        unloaded_ = true;
        SaveSettings();
    }
    event->accept();
}

void FrmMain::ShowAbout() {
    FrmAbout about(this);
    about_ = &about;
    about.adjustSize();
    CenterForm(this, &about);
    about.exec();
}

void FrmMain::SendFeedback() {
    ShowNotice("Feedback", "Send Feedback", "The program will now open a web page where you can send feedback.",
               "?action=Feedback&productid=HLD");
}

void FrmMain::RequestSupport() {
    ShowNotice("Support", "Support", "The program will now open a web page where you can request support.",
               "?action=Support&productid=HLD");
}

void FrmMain::CheckForUpdates() {
    if (dispatchAddress_.empty()) return;
    OpenWebAddress(QUrl(ToQt(dispatchAddress_ + "?action=CheckVersion&productid=HLD")));
}

FrmWorkbench* FrmMain::EditSyntaxDefinition() {
    const std::string input = FromQt(txtInputFilename_->text());
    std::string hld = chkUseDefaultHLD_->Value() != 0 ? std::string() : FromQt(txtHLDFileName_->text());
    // A bare name that is no file here is looked for as the default ones are.
    if (hld.empty()) {
        hld = FindDefaultDefinition(GetHLD(Value(input)));
    } else if (hld.find_first_of("/\\") == std::string::npos && !QFileInfo::exists(ToQt(hld))) {
        hld = FindDefaultDefinition(hld);
    }
    auto* workbench = new FrmWorkbench;  // a window of its own, beside the dialog
    workbench->setAttribute(Qt::WA_DeleteOnClose);
    if (!input.empty() && QFileInfo(ToQt(input)).isFile()) workbench->OpenSample(ToQt(input));
    if (!workbench->OpenDefinition(ToQt(hld))) {
        delete workbench;
        return nullptr;
    }
    workbench->show();
    return workbench;
}

void FrmMain::SetDispatchAddress(const std::string& address) {
    dispatchAddress_ = address;
    mnuCheckVersion_->setVisible(!address.empty());
}

void FrmMain::ShowNotice(const std::string& id, const std::string& caption, const std::string& text,
                         const std::string& query) {
    FrmShowOnce::ShowOnce(this, id, text, caption, true, false, kNoticeHeight);
    if (dispatchAddress_.empty()) {
        // No page to send to: the help tells where and how to report.
        ShowHelpTopic(kReportingHelpTopic);
        return;
    }
    OpenWebAddress(QUrl(ToQt(dispatchAddress_ + query)));
}

}  // namespace tintext
