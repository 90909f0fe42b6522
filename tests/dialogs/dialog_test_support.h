// Helpers for the dialog tests: a registry store of the test's own, and
// answering the modal dialog that the code under test is about to open.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QTemporaryDir>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tintext::testing {

// Points the settings store at a fresh, empty folder for one test.
class ScopedRegistry {
public:
    ScopedRegistry() : previous_(qgetenv("TINTEXT_REGISTRY_DIR")) {
        qputenv("TINTEXT_REGISTRY_DIR", dir_.path().toUtf8());
    }
    ~ScopedRegistry() { qputenv("TINTEXT_REGISTRY_DIR", previous_); }
    QString Path() const { return dir_.path(); }

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
    explicit OnNextModal(std::function<void(QWidget*)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            bool found = modal && modal->isVisible();
            if (found || ++tries_ > 2000) timer_.stop();
            if (found) act_(modal);
        });
        timer_.start(5);
    }
    OnNextModal(const OnNextModal&) = delete;
    OnNextModal& operator=(const OnNextModal&) = delete;

private:
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    int tries_ = 0;
};

}  // namespace tintext::testing
