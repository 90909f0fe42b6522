// Window helpers shared by the dialogs: placing a dialog over its parent,
// choosing the folder a file dialog starts in, opening help pages and web
// addresses, and the conversions between the program's text and Qt's.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <string>

class QWidget;

namespace tintext {

// Dialog measures are kept in twips (1/1440 inch); 15 twips make one pixel at 96 dpi.
constexpr int TwipsToPixels(int twips) { return (twips + 7) / 15; }

// A size in pixels at 96 dpi, grown with the display's logical dpi as the text grows.
int ScaledForDisplay(const QWidget* widget, int pixelsAt96Dpi);

inline QString ToQt(const std::string& text) { return QString::fromStdString(text); }
inline std::string FromQt(const QString& text) { return text.toStdString(); }

// Where a child window goes to be centred over its parent (outer frames):
// each coordinate is used only when greater than 0, else 0.
QPoint CenteredPosition(const QRect& parentFrame, const QSize& childFrame);
// Moves child so that it is centred over parent.
void CenterForm(const QWidget* parent, QWidget* child);

// The folder part of a path: without its last component and the separator before it.
std::string FolderPart(const std::string& path);
// Walks up from path to the nearest folder that exists; the user's home
// folder (HomeFolder) when there is none.
std::string NearestExistingFolder(const std::string& path);

// The main help page's topic.
inline constexpr const char* kMainDialogHelpTopic = "HTML/TOC_300_Main_Dialog.htm";
// The help pages' folder: help/ beside the program, else <prefix>/share/tintext/help.
std::string FindHelpFolder();
// The help path in use; empty means no help.
const std::string& HelpFilePath();
void SetHelpFilePath(const std::string& path);
// Opens a page of the help in the browser; a message when it is missing or
// cannot be shown. Does nothing while the help path is empty.
void ShowHelpTopic(const std::string& topic);

// Opens a web address or file URL in the desktop's browser, without waiting.
// Tells the user when nothing could open it; returns whether it was accepted.
bool OpenWebAddress(const QUrl& url);
// Replaces the opener behind OpenWebAddress (tests); nullptr restores the desktop's.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);

// What a Browse button asks of the file dialog.
struct BrowseRequest {
    QString title;
    QStringList filters;  // Qt's form; the first is the initial choice
    QString initialFolder;
    QString initialFile;  // preselected in the folder; may be empty
    bool save = false;    // a save dialog; otherwise an open dialog
    bool askBeforeReplacing = false;  // a save dialog asks before an existing file is chosen
    bool folder = false;  // a folder is chosen, not a file (the filters do not apply)
};
// Returns the chosen file or folder, or empty text when the user cancelled.
using FileChooser = std::function<QString(QWidget* parent, const BrowseRequest& request)>;
// The desktop's file dialogs.
QString ChooseFile(QWidget* parent, const BrowseRequest& request);

// Converts "description|pattern|description|pattern" to Qt's name filters,
// in the same order: "HTML files (*.htm;*.html)|*.htm;*.html" becomes
// "HTML files (*.htm *.html)", and "*.*" means every file.
QStringList QtFileFilters(const std::string& filter);

}  // namespace tintext
