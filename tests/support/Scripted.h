#pragma once
// Scripted stand-ins for the platform layers that reach outside the process:
// they record what the program asked for and answer as the test says.
#include "platform/Contacts.h"
#include "platform/Notifier.h"
#include "platform/Shell.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

class QWidget;

#include <deque>
#include <memory>

namespace testsupport {

struct ShellCall {
    QString file, parameters, directory;
};

// Records every shell start; installs itself for its lifetime.
class ScriptedShell : public platform::Shell {
public:
    ScriptedShell();
    ~ScriptedShell() override;
    bool Execute(const QString& file, const QString& parameters, const QString& directory) override;
    QList<ShellCall> calls;
    bool result = true;
};

// Hides xdg-open (and every other program on the PATH) for its lifetime, so
// that the real shell hands pages to QDesktopServices, where a test's URL
// handler records them.
class NoXdgOpen {
public:
    NoXdgOpen();
    ~NoXdgOpen();
    NoXdgOpen(const NoXdgOpen&) = delete;
    NoXdgOpen& operator=(const NoXdgOpen&) = delete;

private:
    QByteArray path_;
};

// The real shell with the desktop's browser replaced: records the bytes of
// every http and https address QDesktopServices is asked to open, after the
// shell's conversion. Installs itself for its lifetime; the shell installed
// before comes back at the end.
class DesktopPages : public QObject {
    Q_OBJECT
public:
    DesktopPages();
    ~DesktopPages() override;
    QList<QByteArray> opened;

public slots:
    void Open(const QUrl& url);

private:
    platform::Shell* before_ = nullptr;
    NoXdgOpen noXdgOpen_;
};

// Types text into a widget one character a key press, as a keyboard layout
// of any language would (QTest::keyClicks takes ASCII only).
void TypeText(QWidget* widget, const QString& text);

struct MsgBoxCall {
    QString prompt;
    int flags = 0;
    QString title;
};

// Records every message box and answers from `answers` (front first), else
// with vbOK / vbYes. Installs itself for its lifetime.
class ScriptedNotifier : public platform::Notifier {
public:
    ScriptedNotifier();
    ~ScriptedNotifier() override;
    int MsgBox(const QString& prompt, int flags, const QString& title) override;
    QList<MsgBoxCall> calls;
    std::deque<int> answers;
};

// Answers the contacts layer with `contacts` and counts the reads; installs
// itself for its lifetime.
class ScriptedContacts : public platform::Contacts {
public:
    ScriptedContacts();
    ~ScriptedContacts() override;
    QList<platform::Contact> ReadContacts() override;
    QList<platform::Contact> contacts;
    int reads = 0;
};

// A fresh world for one test: a temporary program folder, a temporary data
// home (XDG_DATA_HOME, with Tarvel/data/ and Tarvel/images/), a temporary
// settings folder (XDG_CONFIG_HOME), the globals reset and the scripted shell
// and notifier installed.
class TestWorld {
public:
    TestWorld();
    ~TestWorld();
    QString appPath() const;    // the programs' folder, without a trailing "/"
    QString dataHome() const;   // $XDG_DATA_HOME/Tarvel, without a trailing "/"
    QString dataPath() const;   // with a trailing "/"
    QString imagesPath() const; // with a trailing "/"
    QString configHome() const;
    // Points the server address (gServerHost, gServerPath, gServerBase) at
    // host, with the service's usual path.
    static void UseServer(const QString& host);
    ScriptedShell shell;
    ScriptedNotifier notifier;

private:
    QTemporaryDir app_;
    QTemporaryDir config_;
    QTemporaryDir data_;
    QByteArray oldConfig_;
    QByteArray oldData_;
};

} // namespace testsupport
