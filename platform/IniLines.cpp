#include "platform/IniLines.h"

#include "platform/Latin1Text.h"

#include <QList>
#include <QStringDecoder>

#include <cctype>

namespace platform {

namespace {

struct Line {
    qsizetype start = 0; // offset of the line in the file
    qsizetype end = 0;   // offset after its text, before CR LF or LF
    qsizetype next = 0;  // offset of the next line
};

QList<Line> Lines(const QByteArray& file) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        qsizetype nl = file.indexOf('\n', start);
        const qsizetype next = nl < 0 ? file.size() : nl + 1;
        if (nl < 0)
            nl = file.size();
        qsizetype end = nl;
        if (end > start && file.at(end - 1) == '\r')
            --end;
        lines.append({start, end, next});
        start = next;
    }
    return lines;
}

QByteArray Trimmed(const QByteArray& file, const Line& line) {
    return file.mid(line.start, line.end - line.start).trimmed();
}

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes); // decoding happens on conversion
    return !utf8.hasError();
}

QString Text(const QByteArray& bytes) {
    return IsUtf8(bytes) ? QString::fromUtf8(bytes) : DecodeAnsi(bytes);
}

// A section or key name as QSettings writes it: "%XX" for a byte outside
// letters, digits and "-_.", "\" for "/".
QString Unescaped(const QByteArray& name) {
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name.at(i);
        if (c == '%' && i + 2 < name.size() && std::isxdigit(static_cast<uchar>(name.at(i + 1))) &&
            std::isxdigit(static_cast<uchar>(name.at(i + 2)))) {
            out += static_cast<char>(name.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += c == '\\' ? '/' : c;
        }
    }
    return Text(out);
}

QByteArray Escaped(const QString& name) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char ch : name.toUtf8()) {
        const auto c = static_cast<uchar>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.') {
            out += static_cast<char>(c);
        } else if (c == '/') {
            out += '\\';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The section a header line opens ("[Options" unclosed as QSettings reads
// it), or nothing for another line.
std::optional<QString> SectionOf(const QByteArray& trimmed) {
    if (!trimmed.startsWith('['))
        return std::nullopt;
    QByteArray name = trimmed.mid(1);
    const qsizetype close = name.indexOf(']');
    if (close >= 0)
        name.truncate(close);
    return Unescaped(name.trimmed());
}

// The key of a "key=value" line, or nothing.
std::optional<QString> KeyOf(const QByteArray& trimmed) {
    if (trimmed.startsWith(';') || trimmed.startsWith('#'))
        return std::nullopt;
    const qsizetype eq = trimmed.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    return Unescaped(trimmed.left(eq).trimmed());
}

// A value's bytes as QSettings reads them: a quoted value loses its quotes
// and backslash escapes; a plain one stands as it is.
QByteArray Unquoted(const QByteArray& value) {
    if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"'))
        return value;
    QByteArray out;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        char c = value.at(i);
        if (c == '\\' && i + 2 < value.size()) {
            c = value.at(++i);
            if (c == 'n')
                c = '\n';
            else if (c == 'r')
                c = '\r';
            else if (c == 't')
                c = '\t';
        }
        out += c;
    }
    return out;
}

// A value as QSettings writes it: quoted with escapes when it holds what
// would end or split it, else as it is.
QByteArray Quoted(const QByteArray& bytes) {
    bool plain =
        !bytes.isEmpty() && bytes.front() != ' ' && bytes.back() != ' ' && bytes.front() != '@';
    for (const char c : bytes)
        if (c == '"' || c == '\\' || c == ';' || c == ',' || c == '=' ||
            static_cast<uchar>(c) < 0x20)
            plain = false;
    if (plain || bytes.isEmpty())
        return bytes;
    QByteArray out = "\"";
    for (const char c : bytes) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out + '"';
}

} // namespace

bool IniFitsQSettings(const QByteArray& file) {
    if (!IsUtf8(file))
        return false;
    for (const Line& line : Lines(file)) {
        const QByteArray t = Trimmed(file, line);
        if (t.isEmpty())
            continue;
        if (t.startsWith('[')) {
            if (!t.endsWith(']'))
                return false;
        } else if (!KeyOf(t)) {
            return false;
        }
    }
    return true;
}

std::optional<QString> IniRead(const QByteArray& file, const QString& section, const QString& key) {
    std::optional<QString> found;
    bool inSection = false;
    for (const Line& line : Lines(file)) {
        const QByteArray t = Trimmed(file, line);
        if (const auto s = SectionOf(t)) {
            inSection = *s == section;
            continue;
        }
        if (!inSection)
            continue;
        const auto k = KeyOf(t);
        if (k && *k == key)
            found = Text(Unquoted(t.mid(t.indexOf('=') + 1).trimmed()));
    }
    return found;
}

QByteArray IniWithValue(const QByteArray& file, const QString& section, const QString& key,
                        const QString* value) {
    const QList<Line> lines = Lines(file);
    QByteArray newLine;
    if (value) {
        const bool ansi = !IsUtf8(file) && FitsAnsi(*value);
        newLine = Escaped(key) + '=' + Quoted(ansi ? EncodeAnsi(*value) : value->toUtf8());
    }
    // The line ending the file already uses.
    const QByteArray eol = file.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");

    QByteArray out;
    out.reserve(file.size() + newLine.size() + 64);
    bool inSection = false;
    bool written = !value;
    // In `out`, after the section's header or last key line: a new key goes
    // there, before the blank lines and the stray text that follow.
    qsizetype sectionEnd = -1;
    for (const Line& line : lines) {
        const QByteArray t = Trimmed(file, line);
        if (const auto s = SectionOf(t)) {
            inSection = *s == section;
            out += file.mid(line.start, line.next - line.start);
            if (inSection)
                sectionEnd = out.size();
            continue;
        }
        const auto k = inSection ? KeyOf(t) : std::nullopt;
        if (k && *k == key) {
            if (!written) {
                out += newLine;
                out += file.mid(line.end, line.next - line.end);
                if (line.next == line.end)
                    out += eol;
                written = true;
                sectionEnd = out.size();
            }
            continue; // a repeated key goes: QSettings would take the last
        }
        out += file.mid(line.start, line.next - line.start);
        if (k)
            sectionEnd = out.size();
    }
    if (written)
        return out;
    if (sectionEnd >= 0) {
        QByteArray add = newLine + eol;
        if (sectionEnd > 0 && out.at(sectionEnd - 1) != '\n')
            add.prepend(eol);
        out.insert(sectionEnd, add);
        return out;
    }
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += eol;
    out += '[' + Escaped(section) + ']' + eol + newLine + eol;
    return out;
}

} // namespace platform
