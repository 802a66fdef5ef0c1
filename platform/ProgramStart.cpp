#include "platform/ProgramStart.h"

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QIcon>
#include <QList>
#include <QPair>

#include <cstdio>
#include <cstring>
#include <unistd.h>

// The icon is a resource of this static library; a static library's
// resources are registered only when asked for.
static void InitDesktopResources() {
    Q_INIT_RESOURCE(platform);
}

namespace platform {

namespace {

// Qt reads these itself (also with two dashes); the first group takes a value.
constexpr const char* kQtValueOptions[] = {"platform",        "platformpluginpath",
                                           "platformtheme",   "plugin",
                                           "qwindowgeometry", "qwindowtitle",
                                           "qwindowicon",     "session",
                                           "display",         "style",
                                           "stylesheet",      "name",
                                           "title",           "geometry",
                                           "qmljsdebugger"};
constexpr const char* kQtFlagOptions[] = {"reverse", "widgetcount", "nograb",
                                          "dograb",  "sync",        "testability"};

bool IsQtOption(const QByteArray& word, bool* takesValue) {
    const qsizetype equals = word.indexOf('=');
    const QByteArray name = equals < 0 ? word : word.left(equals);
    for (const char* option : kQtValueOptions) {
        if (name == option) {
            *takesValue = !word.contains('=');
            return true;
        }
    }
    for (const char* option : kQtFlagOptions) {
        if (name == option) {
            *takesValue = false;
            return true;
        }
    }
    return false;
}

void Print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString CalledAs(int argc, char** argv, const QString& fallback) {
    if (argc < 1 || !argv[0] || !*argv[0])
        return fallback;
    return QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
}

// The platform plugin Qt will load: -platform on the command line, else
// QT_QPA_PLATFORM; only its name (no ":options"), the first of a list.
QByteArray ChosenPlatform(int argc, char** argv, QByteArray* displayArgument) {
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        QByteArray word(argv[i]);
        if (word.startsWith("--"))
            word = word.mid(1);
        if (word == "-platform")
            platform = argv[i + 1];
        else if (word == "-display")
            *displayArgument = argv[i + 1];
    }
    for (const char end : {';', ':'}) {
        const qsizetype at = platform.indexOf(end);
        if (at >= 0)
            platform.truncate(at);
    }
    return platform.trimmed();
}

// What the display check saw, for the one line printed when Qt gives up.
QByteArray g_display;
bool g_x11 = false;
QString g_program;
QtMessageHandler g_previous = nullptr;
QList<QPair<QtMsgType, QString>>* g_held = nullptr;

// While the application object is made: Qt's platform messages are held
// back, and its fatal "no platform plugin" becomes one line and exit 1.
void DuringConstruction(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // The xcb plugin says when it could not reach the display; with Qt's
        // platform logging off it says nothing, and X11 needs little else.
        const QList<QPair<QtMsgType, QString>> said =
            g_held ? *g_held : QList<QPair<QtMsgType, QString>>();
        bool noDisplay = said.isEmpty() && g_x11;
        for (const auto& held : said)
            noDisplay = noDisplay || held.second.contains(QLatin1String("connect to display"));
        const QString display =
            g_display.isEmpty() ? QString() : QLatin1Char(' ') + QString::fromLocal8Bit(g_display);
        Print(stderr,
              g_program + (noDisplay
                               ? QStringLiteral(": cannot connect to the display%1\n").arg(display)
                               : QStringLiteral(": the window system could not be "
                                                "started (Qt: %1)\n")
                                     .arg(text.section(QLatin1Char('\n'), 0, 0))));
        ::_exit(1);
    }
    const char* category = context.category ? context.category : "";
    if (std::strncmp(category, "qt.qpa", 6) == 0 && g_held) {
        g_held->append({type, text});
        return;
    }
    if (g_previous)
        g_previous(type, context, text);
    else
        Print(stderr, text + QLatin1Char('\n'));
}

} // namespace

int CheckCommandLine(int argc, char** argv, const ProgramText& program) {
    const QString calledAs = CalledAs(argc, argv, program.name);
    const bool ownLine = program.slashCommandLine && argc > 1 && argv[1][0] == '/';
    for (int i = 1; i < argc && !ownLine; ++i) {
        const QByteArray word(argv[i]);
        if (word == "--")
            break;
        if (word == "-h" || word == "--help") {
            Print(stdout, QStringLiteral("Usage: ") + calledAs + program.help);
            return 0;
        }
        if (word == "-v" || word == "--version") {
            Print(stdout, program.name + QLatin1Char(' ') + program.version + QLatin1Char('\n'));
            return 0;
        }
        bool takesValue = false;
        if (word.startsWith("--") && !IsQtOption(word.mid(2), &takesValue)) {
            Print(stderr, calledAs + QStringLiteral(": unknown option %1 (try %2 --help)\n")
                                         .arg(QString::fromLocal8Bit(word), calledAs));
            return 2;
        }
        if (word.startsWith('-') &&
            IsQtOption(word.mid(word.startsWith("--") ? 2 : 1), &takesValue) && takesValue)
            ++i;
    }

    PreferXcb();
    QByteArray displayArgument;
    const QByteArray platform = ChosenPlatform(argc, argv, &displayArgument);
    const bool x11 = platform.isEmpty() || platform == "xcb";
    const bool named = !displayArgument.isEmpty() || !qEnvironmentVariableIsEmpty("DISPLAY") ||
                       (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if (x11 && !named) {
        Print(stderr, calledAs + QStringLiteral(": no display to show windows on "
                                                "(DISPLAY is not set)\n"));
        return 1;
    }
    return -1;
}

void PreferXcb() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv, const QString& name) {
    QByteArray displayArgument;
    const QByteArray platform = ChosenPlatform(argc, argv, &displayArgument);
    g_x11 = platform.isEmpty() || platform == "xcb";
    g_display = displayArgument.isEmpty() ? qgetenv("DISPLAY") : displayArgument;
    g_program = CalledAs(argc, argv, name);
    QList<QPair<QtMsgType, QString>> held;
    g_held = &held;
    g_previous = qInstallMessageHandler(DuringConstruction);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previous);
    g_held = nullptr;
    // The program runs after all: what Qt said on the way is worth seeing.
    for (const auto& [type, text] : held) {
        const QMessageLogContext none;
        if (g_previous)
            g_previous(type, none, text);
        else
            Print(stderr, text + QLatin1Char('\n'));
    }
    // Every window of both programs (dialogs, the About box, Enlist's
    // wizard) carries the icon the desktop entries name; the window manager
    // shows it in title bars and task lists.
    InitDesktopResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/desktop/tarvel.png")));
    return app;
}

} // namespace platform
