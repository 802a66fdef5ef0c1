#pragma once
// The form-definition file of a form category (version "0.1"): a few lines of
// 8-bit text (Windows-1252, CR LF) that describe a panel of labels, text
// fields, drop-down lists and pictures with one Submit button. Fields within a
// line are split at "," with no quoting and no trimming, so no field holds a
// comma; numbers are twips relative to the panel's top-left corner.
//
// Reading touches no widget: the form panel builds its controls from what
// ParseFormDefinition returns. A file that breaks off or holds a malformed
// line still gives everything read before that line, with Error saying why
// reading stopped, so that the panel keeps what it built and reports once.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace menus {

struct FormLabel {
    int Left = 0, Top = 0;
    QString Caption;
};

struct FormField {
    int Left = 0, Top = 0, Width = 0;
    int MaxLength = 0; // 0: no limit
    QString Name;
};

struct FormSelect {
    int Left = 0, Top = 0, Width = 0;
    QString Name;
    QStringList Values; // one per entry, in entry order
    QStringList Texts;
};

struct FormPicture {
    QString File;
    int Left = 0, Top = 0;
};

struct FormDefinition {
    static constexpr int kMaxHidden = 11;  // m_Hidden holds indices 0 to 10
    static constexpr int kMaxSelects = 10; // lists 1 to 10
    // Labels, fields, lists and pictures together; a file asking for more
    // stops at the first one too many with "Out of memory" (7).
    static constexpr int kMaxControls = 400;
    // Entries of one list; more is the same error.
    static constexpr int kMaxOptions = 1000;

    // Line 1 is exactly "0.1". When false nothing else was read.
    bool VersionOK = false;
    // Each part below is set only when its line was read whole.
    bool HaveSize = false;
    int Width = 0, Height = 0;
    bool HaveSubmitURL = false;
    QString SubmitURL;
    bool HaveButton = false;
    int ButtonLeft = 0, ButtonTop = 0, ButtonWidth = 0;
    QString ButtonCaption;
    QStringList Hidden; // "name=value" lines, whole
    QList<FormLabel> Labels;
    QList<FormField> Fields;
    QList<FormSelect> Selects;
    QList<FormPicture> Pictures;

    // Why reading stopped early ("" when the whole file was read), with the
    // run-time error number the design reported for it.
    QString Error;
    int ErrorNumber = 0;
};

// Reads a whole file's bytes. Lines end with CR LF; a lone CR or LF ends a
// line too, and blank lines after the lists are no picture section.
FormDefinition ParseFormDefinition(const QByteArray& bytes);

// 8-bit Windows text: Latin-1 but for the printable characters the Windows
// code page puts at 0x80 to 0x9F (the euro sign, curly quotes, dashes...).
QString DecodeWindows1252(const QByteArray& bytes);

// The address that the browser is given for a submit address, or "" when
// it must not be opened: http and https addresses as they stand; an address
// without a scheme that starts like a host name ("www.example.com/find.asp")
// as http; anything else (a path, "file:", "javascript:", a program) none.
QString BrowserAddress(const QString& submitAddress);

} // namespace menus
