// The real shell and the real message box against hostile text: addresses
// with a scheme are never taken for a path (an ftp bookmark once started a
// local program), other schemes open nothing, and a message box of a
// thousand lines still fits the screen with its button in reach.
#include "platform/Notifier.h"
#include "platform/Shell.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's handler of a scheme: records what it was given.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

TEST(RealShell, AnAddressWithASchemeIsNeverAPath) {
    QTemporaryDir folder;
    const QString oldCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    // The program "ftp://x/run.sh" named as a relative path.
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("ftp:/x")));
    const QString marker = folder.filePath(QStringLiteral("ran"));
    QFile script(QStringLiteral("ftp:/x/run.sh"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho ran > '" + marker.toLocal8Bit() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    UrlRecorder desktop;
    const testsupport::NoXdgOpen noXdgOpen;
    for (const char* scheme : {"ftp", "file", "javascript"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &desktop, "Open");
    platform::SetShell(nullptr);
    const bool ftp = platform::shell().Execute(QStringLiteral("ftp://x/run.sh"),
                                               QStringLiteral("0"), QStringLiteral("0"));
    const bool file = platform::shell().Execute(QStringLiteral("file:///etc/passwd"),
                                                QStringLiteral("0"), QStringLiteral("0"));
    const bool script2 = platform::shell().Execute(QStringLiteral("javascript:alert(1)"),
                                                   QStringLiteral("0"), QStringLiteral("0"));
    QTest::qWait(500);
    for (const char* scheme : {"ftp", "file", "javascript"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    QDir::setCurrent(oldCurrent);

    EXPECT_FALSE(QFile::exists(marker)) << "the program ran";
    // The ftp address goes to the desktop as an address; the others nowhere.
    EXPECT_TRUE(ftp);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0].toString(), QStringLiteral("ftp://x/run.sh"));
    EXPECT_FALSE(file);
    EXPECT_FALSE(script2);
}

TEST(RealNotifier, AMessageOfAThousandLinesFitsTheScreen) {
    platform::SetNotifier(nullptr);
    QString prompt = QStringLiteral("The server said:");
    for (int i = 0; i < 1000; ++i)
        prompt += QStringLiteral("\nline %1").arg(i);
    QRect box, button;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible())
            return;
        box = shown->frameGeometry();
        QAbstractButton* ok = shown->button(QMessageBox::Ok);
        button = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
        ok->click();
    });
    poll.start(20);
    EXPECT_EQ(platform::MsgBox(prompt, platform::vbInformation, QStringLiteral("Reply")),
              platform::vbOK);
    poll.stop();
    const QRect screen = QApplication::primaryScreen()->geometry();
    ASSERT_FALSE(box.isNull());
    EXPECT_LE(box.height(), screen.height());
    EXPECT_TRUE(screen.contains(button)) << button.y() << " of " << screen.height();
}

} // namespace

#include "test_shell_notifier.moc"
