#include "support/Scripted.h"

#include "core/modGlobals.h"
#include "platform/AppPath.h"

#include <QDesktopServices>
#include <QDir>
#include <QTest>

namespace testsupport {

ScriptedShell::ScriptedShell() {
    platform::SetShell(this);
}
ScriptedShell::~ScriptedShell() {
    platform::SetShell(nullptr);
}

bool ScriptedShell::Execute(const QString& file, const QString& parameters,
                            const QString& directory) {
    calls.append({file, parameters, directory});
    return result;
}

NoXdgOpen::NoXdgOpen() : path_(qgetenv("PATH")) {
    qputenv("PATH", "/nonexistent");
}
NoXdgOpen::~NoXdgOpen() {
    qputenv("PATH", path_);
}

DesktopPages::DesktopPages() : before_(&platform::shell()) {
    platform::SetShell(nullptr);
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
}
DesktopPages::~DesktopPages() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    platform::SetShell(before_);
}
void DesktopPages::Open(const QUrl& url) {
    opened.append(url.toEncoded());
}

void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

ScriptedNotifier::ScriptedNotifier() {
    platform::SetNotifier(this);
}
ScriptedNotifier::~ScriptedNotifier() {
    platform::SetNotifier(nullptr);
}

int ScriptedNotifier::MsgBox(const QString& prompt, int flags, const QString& title) {
    calls.append({prompt, flags, title});
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (flags & 0x7) == platform::vbYesNo ? platform::vbYes : platform::vbOK;
}

ScriptedContacts::ScriptedContacts() {
    platform::SetContacts(this);
}
ScriptedContacts::~ScriptedContacts() {
    platform::SetContacts(nullptr);
}
QList<platform::Contact> ScriptedContacts::ReadContacts() {
    ++reads;
    return contacts;
}

TestWorld::TestWorld() {
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    // The programs started by a test inherit this too, so that none of them
    // writes into the real ~/.local/share/Tarvel.
    oldData_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
    QDir(dataHome()).mkpath(QStringLiteral("data"));
    QDir(dataHome()).mkpath(QStringLiteral("images"));
    platform::SetAppPath(app_.path());
    modGlobals::ResetState();
    modGlobals::gDataPath = dataPath();
    modGlobals::gImagesPath = imagesPath();
}

TestWorld::~TestWorld() {
    modGlobals::ResetState();
    platform::SetAppPath(QString());
    if (oldConfig_.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig_);
    if (oldData_.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData_);
}

QString TestWorld::appPath() const {
    return app_.path();
}
QString TestWorld::dataHome() const {
    return data_.path() + QStringLiteral("/Tarvel");
}
QString TestWorld::dataPath() const {
    return dataHome() + QStringLiteral("/data/");
}
QString TestWorld::imagesPath() const {
    return dataHome() + QStringLiteral("/images/");
}
void TestWorld::UseServer(const QString& host) {
    modGlobals::gServerHost = host;
    modGlobals::gServerPath = QStringLiteral("/Vantrix/internal/");
    modGlobals::gServerBase = modGlobals::gServerHost + modGlobals::gServerPath;
}

QString TestWorld::configHome() const {
    return config_.path();
}

} // namespace testsupport
