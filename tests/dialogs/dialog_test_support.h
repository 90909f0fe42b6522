// Helpers for the dialog tests: a registry store of the test's own, answering
// the modal dialog that the code under test is about to open, finding
// controls, files and table files, and recording the addresses opened.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QMessageBox>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <QWidget>
#include <functional>

#include "app/dialogs/dialog_helpers.h"
#include "tests/case_file.h"

namespace tintext::testing {

// Points the settings store at a fresh, empty folder for one test.
class ScopedRegistry {
public:
    ScopedRegistry() : previous_(qgetenv("TINTEXT_REGISTRY_DIR")) {
        qputenv("TINTEXT_REGISTRY_DIR", dir_.path().toUtf8());
    }
    ~ScopedRegistry() { qputenv("TINTEXT_REGISTRY_DIR", previous_); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

// While it lives, calls act once with the next modal dialog as soon as it is
// shown (polling the event loop that the dialog's exec() runs). Gives up
// after about ten seconds, so a dialog that never opens fails its test
// instead of hanging it.
class OnNextModal {
public:
    explicit OnNextModal(std::function<void(QWidget*)> act) {
        QObject::connect(&timer_, &QTimer::timeout, [this, act] {
            QWidget* modal = QApplication::activeModalWidget();
            const bool found = modal && modal->isVisible();
            if (found || ++tries_ > 2000) timer_.stop();
            if (found) act(modal);
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
    int tries_ = 0;
};

// While it lives, the next message box's text is kept and the box answered with Enter.
struct NextMessage {
    QString text;
    OnNextModal answer{[this](QWidget* box) {
        text = qobject_cast<QMessageBox*>(box)->text();
        QTest::keyClick(box, Qt::Key_Enter);
    }};
};

// While it lives, addresses handed to the browser are recorded, not opened;
// the opener answers `opens`.
struct OpenedUrls : QList<QUrl> {
    explicit OpenedUrls(bool opens = true) {
        SetUrlOpener([this, opens](const QUrl& url) { append(url); return opens; });
    }
    ~OpenedUrls() { SetUrlOpener(nullptr); }
};

template <class T>
T* Child(const QObject& parent, const QString& name) {
    T* found = parent.findChild<T*>(name);
    if (!found) qFatal("no control %s", qPrintable(name));
    return found;
}

inline QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Makes each row of a table under tests/data (read by the tests' one reader,
// tests/case_file.h) a data row of the test, its fields in the column "row".
inline void AddRows(const QString& table) {
    QTest::addColumn<QStringList>("row");
    for (const Row& row : ReadRows(table.toStdString())) {
        QStringList fields;
        for (const std::string& field : row.fields) fields << QString::fromStdString(field);
        QTest::newRow(qPrintable(fields.join(' '))) << fields;
    }
}

}  // namespace tintext::testing
