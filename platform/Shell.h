#pragma once
// Stand-in for the Windows shell's "open" verb (ShellExecute): starts a
// program, opens a web address in the default browser or a document with its
// program. Callers pass "0" where they have no parameters or folder, as the
// design does. The real implementation uses QProcess and QDesktopServices;
// tests install a recording one with SetShell.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // file: program path, an http, https or ftp address, or document path.
    // Text that starts with a scheme is always an address, never a path; an
    // address of any other scheme opens nothing.
    // parameters: one parameter text handed to a program as a single argument.
    // Returns false when nothing could be started.
    virtual bool Execute(const QString& file, const QString& parameters,
                         const QString& directory) = 0;
};

// The scheme an address starts with ("ftp" of "ftp://x/run.sh"), lower case;
// "" when it starts with none: letters first, then letters, digits, "+", "-"
// or ".", then ":" ("host:8080/page" is a host with a port).
QString SchemeOf(const QString& text);

// The bytes of a page address as the browser gets them: the text in the
// service's 8-bit code page (UTF-8 for a character it lacks), each byte
// outside the characters an address may hold as they are (8-bit bytes,
// blanks, quotes) percent-encoded as one byte, escapes already in the
// address untouched, and a "%" that starts no escape encoded alone.
QByteArray PageAddressBytes(const QString& address);
// Those bytes as the QUrl handed to the desktop.
QUrl PageUrl(const QString& address);

// The shell in use; the real one unless a test installed another. The caller
// of SetShell keeps ownership; pass nullptr to return to the real shell.
Shell& shell();
void SetShell(Shell* replacement);

// A page handed to xdg-open tells only later that no browser could show it.
// A program about to end waits here, at most limitMs, so that the box with
// the address still comes (Enlist ends right after opening its fallback page).
void FinishPageOpens(int limitMs = 3000);

} // namespace platform
