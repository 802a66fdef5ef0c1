#pragma once
// What both programs do before their application object exists: the command
// line's standard options (--help, --version), and a display to show windows
// on. Qt's own answer to a missing display is an abort with a page of text;
// these give one line and exit status 1.
#include <QApplication>
#include <QString>

#include <memory>

namespace platform {

struct ProgramText {
    QString name;    // "Tarvel"
    QString version; // "1.0.3"
    QString help;    // printed for --help after the "Usage:" line's program name
    // Enlist's own command line starts with "/" ("/addnew", "/register u,p"):
    // then nothing in it is read as an option, whatever a password holds.
    bool slashCommandLine = false;
};

// Checks the arguments: -h/--help and -v/--version print on stdout and give
// 0; an unknown option starting with "--" is reported on stderr and gives 2
// (Qt's own options such as --platform pass); no display for the chosen
// platform is reported in one line and gives 1. -1: go on and start.
int CheckCommandLine(int argc, char** argv, const ProgramText& program);

// Native Wayland ignores absolute placement and stay-on-top, which the
// windows rely on: X11 (or XWayland) is chosen unless the user chose.
void PreferXcb();

// Constructs the application object. A display that is named but cannot be
// opened ends the process with one line on stderr and exit status 1.
std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv, const QString& name);

} // namespace platform
