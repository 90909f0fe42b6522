#include "app/dialogs/dialog_helpers.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>
#include <cmath>

#include "support/file_system_object.h"
#include "support/job_environment.h"
#include "support/program_info.h"
#include "support/user_folders.h"

namespace tintext {

namespace {

std::string helpFilePath;
UrlOpener urlOpener;

}  // namespace

QPoint CenteredPosition(const QRect& parentFrame, const QSize& childFrame) {
    double top = (parentFrame.height() - childFrame.height()) / 2.0 + parentFrame.top();
    double left = (parentFrame.width() - childFrame.width()) / 2.0 + parentFrame.left();
    int y = top > 0 ? static_cast<int>(std::lround(top)) : 0;
    int x = left > 0 ? static_cast<int>(std::lround(left)) : 0;
    return {x, y};
}

void CenterForm(const QWidget* parent, QWidget* child) {
    if (!parent || !child) return;
    child->move(CenteredPosition(parent->frameGeometry(), child->frameGeometry().size()));
}

std::string FolderPart(const std::string& path) { return FileSystemObject().GetParentFolderName(path); }

std::string NearestExistingFolder(const std::string& path) {
    FileSystemObject fso;
    std::string folder = path;
    // A path deeper than 51 levels is not worth walking further.
    for (int step = 1; step <= 51; ++step) {
        folder = fso.GetParentFolderName(folder);
        if (fso.FolderExists(folder)) break;
        if (fso.GetParentFolderName(folder) == folder) break;
    }
    return fso.FolderExists(folder) ? folder : HomeFolder();
}

int ScaledForDisplay(const QWidget* widget, int pixelsAt96Dpi) {
    return qRound(pixelsAt96Dpi * widget->logicalDpiY() / 96.0);
}

std::string FindHelpFolder() {
    std::string beside = ProgramFolder() + "/help";
    if (QFileInfo(ToQt(beside)).isDir()) return beside;
    std::string installed = FolderPart(ProgramFolder()) + "/share/tintext/help";
    if (QFileInfo(ToQt(installed)).isDir()) return installed;
    return beside;
}

const std::string& HelpFilePath() { return helpFilePath; }
void SetHelpFilePath(const std::string& path) { helpFilePath = path; }

void ShowHelpTopic(const std::string& topic) {
    if (helpFilePath.empty()) return;
    std::string page = helpFilePath + "/" + (topic.empty() ? kMainDialogHelpTopic : topic);
    std::string fragment;
    if (size_t hash = page.find('#'); hash != std::string::npos) {
        fragment = page.substr(hash + 1);
        page.erase(hash);
    }
    if (!QFileInfo(ToQt(page)).isFile()) {
        Env().MessageBox("The help page cannot be found:\r\n" + page, MsgButtons::Ok, MsgIcon::Exclamation,
                         ApplicationTitle());
        return;
    }
    QUrl url = QUrl::fromLocalFile(ToQt(page));
    if (!fragment.empty()) url.setFragment(ToQt(fragment));
    OpenWebAddress(url);
}

bool OpenWebAddress(const QUrl& url) {
    bool accepted = urlOpener ? urlOpener(url) : QDesktopServices::openUrl(url);
    if (!accepted) {
        std::string where = FromQt(url.isLocalFile() ? url.toLocalFile() : url.toString());
        Env().MessageBox("No web browser could be started to show this page:\r\n" + where, MsgButtons::Ok,
                         MsgIcon::Exclamation, ApplicationTitle());
    }
    return accepted;
}

void SetUrlOpener(UrlOpener opener) { urlOpener = std::move(opener); }

QString ChooseFile(QWidget* parent, const BrowseRequest& request) {
    QString selected = request.filters.value(0);
    QString filters = request.filters.join(";;");
    // A start path that names a file opens its folder with the file selected.
    QString start = request.initialFile.isEmpty() ? request.initialFolder
                                                  : QDir(request.initialFolder).filePath(request.initialFile);
    if (request.folder) {
        // A folder dialog opens in the box's folder, or else where the box's folder would be.
        if (!QFileInfo(start).isDir()) start = request.initialFolder;
        return QFileDialog::getExistingDirectory(parent, request.title, start);
    }
    if (request.save) {
        // For the main dialog's output, whether an existing file may be replaced is the job's question.
        return QFileDialog::getSaveFileName(parent, request.title, start, filters, &selected,
                                            request.askBeforeReplacing ? QFileDialog::Options()
                                                                       : QFileDialog::DontConfirmOverwrite);
    }
    return QFileDialog::getOpenFileName(parent, request.title, start, filters, &selected);
}

QStringList QtFileFilters(const std::string& filter) {
    QStringList parts = ToQt(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        // The description names its patterns in parentheses; Qt reads the
        // patterns from there, so they are written again in Qt's form.
        if (qsizetype open = description.lastIndexOf('('); open > 0 && description.endsWith(')')) {
            description = description.left(open).trimmed();
        }
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            patterns << (pattern.trimmed() == "*.*" ? QStringLiteral("*") : pattern.trimmed());
        }
        filters << description + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

}  // namespace tintext
