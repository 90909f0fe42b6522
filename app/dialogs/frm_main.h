// frmMain: the program's main dialog. The user names the input, output and
// syntax definition files, ticks the options and presses Go, which runs one
// conversion job; an input that is a folder is converted whole, into the
// output folder, as the command line converts one. Its fields are
// remembered between runs in the settings.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/dialogs/dialog_helpers.h"
#include "app/settings.h"
#include "engine/job.h"
#include "support/value.h"

class QAction;
class QComboBox;
class QLineEdit;
class QMenuBar;
class QPushButton;

namespace tintext {

class CheckBox;
class DesktopHooks;
class FrmAbout;
class FrmProgress;
class FrmWorkbench;
class JobEnvironment;
class QtEnvironment;

struct CodePageChoice;
struct JobRequest;
struct JobServices;

// The conversion job (Process), given the dialog's request and services.
using JobFunction = std::function<void(const JobRequest& request, const JobServices& services)>;

// The maker's page that forwards feedback and support requests, set when the
// program is built (TINTEXT_DISPATCH_ADDRESS); empty when there is none.
inline constexpr const char* kDispatchAddress = TINTEXT_DISPATCH_ADDRESS;
// The help page's section on reporting problems, opened instead of it.
inline constexpr const char* kReportingHelpTopic = "HTML/TOC_300_Main_Dialog.htm#reporting-problems";

class FrmMain : public QDialog {
    Q_OBJECT

public:
    // Builds the dialog as it loads: title, tooltips, menus, the hidden
    // progress dialog (installed as the job environment), Go disabled.
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // Fills the fields and the remembered folders from the given settings, or
    // from the settings store, in the store's loading order.
    void LoadSettings(const DialogSettings& settings);
    void LoadSettings() { LoadSettings(LoadDialogSettings()); }
    // What the fields and remembered folders hold now.
    DialogSettings Settings() const;
    // Hands Settings() to the settings saver (the store, unless replaced),
    // then closes the progress, about and notice dialogs. Runs as the dialog closes.
    void SaveSettings();
    void SetSettingsSaver(std::function<void(const DialogSettings&)> saver) { saver_ = std::move(saver); }
    // The syntax file box follows chkUseDefaultHLD: greyed while it is ticked.
    void UpdateHLDFileNameInput();

    // Runs one conversion with the dialog's values (the Go button); a folder
    // run when the input names a folder.
    void Go();
    bool JobRunning() const { return jobRunning_; }

    void SetJobFunction(JobFunction job) { job_ = std::move(job); }
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    const std::string& InputDir() const { return inputDir_; }
    const std::string& OutputDir() const { return outputDir_; }
    const std::string& HLDDir() const { return hldDir_; }

    FrmProgress* Progress() const { return progress_; }
    QMenuBar* MenuBar() const { return menuBar_; }
    QAction* MnuHelpAbout() const { return mnuHelpAbout_; }

    // The menu entries' actions, callable from tests and the screenshot tour.
    void ShowAbout();
    void SendFeedback();
    void RequestSupport();
    void CheckForUpdates();
    // Tools > Edit Syntax Definition: the definition Go would use, in the
    // workbench, with the input file as its sample.
    FrmWorkbench* EditSyntaxDefinition();
    // The dispatch page in use (kDispatchAddress unless replaced); "Check For
    // Updates" is shown only while there is one.
    void SetDispatchAddress(const std::string& address);

public slots:
    // frmMain has no Cancel button: Esc does nothing.
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class BrowseKind { Input, InputFolder, Output, HLD };

    void BuildControls();
    void BuildMenus();
    void SetTooltips();
    void Browse(BrowseKind kind);
    void OutputTextChanged();
    void FillChoices();
    void ShowCodePage(const std::string& stored);
    void ShowTheme(const std::string& theme);
    void ShowNotice(const std::string& id, const std::string& caption, const std::string& text,
                    const std::string& query);
    // Runs a job with Go disabled, telling what escapes it, and makes the
    // dialog ready for the next one.
    void RunJob(const std::function<void()>& job);
    // The conversion of a folder into the output folder, on a thread of its
    // own, the progress dialog showing files and bytes done and the file
    // under way; the index is shown when asked.
    void RunFolderJob(const JobRequest& request, const CodePageChoice& codePage);
    // Asked when the window is closed during a job: true to stop it.
    bool ConfirmStop();

    QLineEdit* txtInputFilename_;
    QPushButton* cmdBrowseInput_;
    QPushButton* cmdBrowseInputFolder_;
    CheckBox* chkDosText_;
    QComboBox* cboCodePage_;
    QLineEdit* txtOutputFilename_;
    QPushButton* cmdBrowseOutput_;
    CheckBox* chkUseDefaultHLD_;
    QLineEdit* txtHLDFileName_;
    QPushButton* cmdBrowseHLD_;
    QComboBox* cboTheme_;
    CheckBox* chkLineNumbers_;
    CheckBox* chkFragment_;
    CheckBox* chkShowOutput_;
    QPushButton* cmdGo_;
    QPushButton* cmdExit_;
    QMenuBar* menuBar_;
    QAction* mnuHelpAbout_;
    QAction* mnuCheckVersion_;

    FrmProgress* progress_;
    std::unique_ptr<QtEnvironment> environment_;
    std::unique_ptr<DesktopHooks> hooks_;
    JobEnvironment* previousEnvironment_ = nullptr;
    QPointer<FrmAbout> about_;

    std::string inputDir_;
    std::string outputDir_;
    std::string hldDir_;
    // The stored code page as it was written ("gbk", or a value that names
    // none), kept while the drop-down still shows what it was read as.
    std::string storedCodePage_;
    int storedCodePageIndex_ = 0;

    JobFunction job_;
    FileChooser chooser_;
    std::function<void(const DialogSettings&)> saver_;
    bool jobRunning_ = false;
    bool closeAfterJob_ = false;  // the user stopped the job by closing the window
    std::string dispatchAddress_ = kDispatchAddress;
    bool unloaded_ = false;
};

}  // namespace tintext
