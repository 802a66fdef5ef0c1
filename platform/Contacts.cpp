#include "platform/Contacts.h"

#include "platform/Latin1Text.h"
#include "platform/Registry.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

#include <cctype>

namespace platform {

namespace {

// Address books larger than this are not a contact list but a mistake (or
// an attack on the wizard's memory); the part that fits is read.
constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;

QString Unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value.at(++i);
            out += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(QLatin1Char(' '))
                                                                          : next;
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

// Splits a structured value at the ";" that are not escaped.
QStringList SplitStructured(const QString& value) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            current += c;
            current += value.at(++i);
        } else if (c == QLatin1Char(';')) {
            parts << Unescape(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts << Unescape(current);
    return parts;
}

// Text of a value's bytes in the character set the card names for it; with
// none, or one this system cannot decode, as another program's file.
QString DecodeValue(const QByteArray& value, const QByteArray& charset, bool utf8File) {
    if (charset == "WINDOWS-1252" || charset == "CP1252" || charset == "ISO-8859-1" ||
        charset == "LATIN1" || charset == "US-ASCII")
        return DecodeAnsi(value);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(value);
    }
    // The whole file decides (a name may be too short to tell).
    if (utf8File)
        return QString::fromUtf8(value);
    return DecodeAnsi(value);
}

// "item1.EMAIL;TYPE=INTERNET" -> "EMAIL".
QString PropertyName(const QString& head) {
    QString name = head.section(QLatin1Char(';'), 0, 0);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.mid(dot + 1);
    return name.trimmed().toUpper();
}

// Lines as the cards hold them: a line break followed by a blank or a tab
// is a fold and goes (the break and the one blank), and a quoted-printable
// value that ends in "=" goes on in the next line. Folds are joined as bytes,
// before any decoding: exports fold in the middle of a UTF-8 character.
QList<QByteArray> LogicalLines(const QByteArray& text) {
    QList<QByteArray> lines;
    bool softBreak = false; // the last line is quoted-printable and ends in "="
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!lines.isEmpty() && softBreak) {
            lines.last().chop(1); // the "=" of the soft break
            lines.last() += line;
        } else if (!lines.isEmpty() && !line.isEmpty() &&
                   (line.at(0) == ' ' || line.at(0) == '\t')) {
            lines.last() += line.mid(1);
        } else {
            lines << line;
        }
        const QByteArray& last = lines.last();
        const qsizetype colon = last.indexOf(':');
        softBreak = colon > 0 && last.endsWith('=') &&
                    last.left(colon).toUpper().contains("QUOTED-PRINTABLE");
    }
    return lines;
}

QByteArray DecodeQuotedPrintable(const QByteArray& value) {
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value.at(i);
        if (c == '=' && i + 2 < value.size() &&
            std::isxdigit(static_cast<uchar>(value.at(i + 1))) &&
            std::isxdigit(static_cast<uchar>(value.at(i + 2)))) {
            out += static_cast<char>(value.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// One line's text: the property's name and parameters as they stand (they
// are ASCII), the value decoded by its ENCODING and CHARSET parameters.
QString DecodeLine(const QByteArray& line, bool utf8File) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return QString::fromLatin1(line);
    const QByteArray head = line.left(colon);
    QByteArray value = line.mid(colon + 1);
    QByteArray charset;
    bool quoted = false;
    for (const QByteArray& param : head.split(';').mid(1)) {
        const QByteArray p = param.trimmed().toUpper();
        if (p == "QUOTED-PRINTABLE" || p == "ENCODING=QUOTED-PRINTABLE")
            quoted = true;
        else if (p.startsWith("CHARSET="))
            charset = p.mid(8);
    }
    if (quoted)
        value = DecodeQuotedPrintable(value);
    return QString::fromLatin1(head) + QLatin1Char(':') + DecodeValue(value, charset, utf8File);
}

class LinuxContacts : public Contacts {
public:
    QList<Contact> ReadContacts() override {
        const QString path = VCardFilePath();
        if (path.isEmpty())
            return {};
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return ParseVCards(file.read(kMaxFileBytes));
    }
};

Contacts* g_replacement = nullptr;

} // namespace

QList<Contact> ParseVCards(const QByteArray& text) {
    const QList<QByteArray> raw = LogicalLines(text);
    // Judged with the folds joined: a fold may split a UTF-8 character.
    const bool utf8File = IsUtf8Text(raw.join('\n'));
    // A value without a CHARSET is in the file's own encoding: UTF-8 when
    // the file is valid UTF-8, else the Windows code page older mail
    // programs export in.
    QStringList lines;
    lines.reserve(raw.size());
    for (const QByteArray& line : raw)
        lines << DecodeLine(line, utf8File);

    QList<Contact> out;
    bool inCard = false;
    Contact card;
    for (const QString& line : std::as_const(lines)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QString name = PropertyName(line.left(colon));
        const QString value = line.mid(colon + 1);
        if (name == QLatin1String("BEGIN") &&
            value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            if (inCard)
                out << card; // the previous card had no END
            inCard = true;
            card = Contact();
            continue;
        }
        if (!inCard)
            continue;
        if (name == QLatin1String("END")) {
            out << card;
            inCard = false;
        } else if (name == QLatin1String("N")) {
            const QStringList parts = SplitStructured(value);
            const QString last = parts.value(0);
            const QString first = parts.value(1);
            card.firstName = first;
            if (!last.isEmpty() && !first.isEmpty())
                card.lastFirst = last + QStringLiteral(", ") + first;
            else
                card.lastFirst = last.isEmpty() ? first : last;
            const QString suffix = parts.value(4);
            if (!suffix.isEmpty() && !card.lastFirst.isEmpty())
                card.lastFirst += QLatin1Char(' ') + suffix;
        } else if (name == QLatin1String("EMAIL") && card.email.isEmpty()) {
            card.email = Unescape(value);
        }
    }
    if (inCard)
        out << card;
    return out;
}

QList<AddressBookEntry> ParseAddressBook(const QByteArray& text) {
    QList<AddressBookEntry> out;
    // Written by a Windows mail program: its code page, or UTF-8 when valid.
    QString all = DecodeOtherText(text);
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    all.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = all.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        for (const QString& rawField : line.split(QLatin1Char(','))) {
            // Leading blanks of a field are not part of it, as a field read
            // from a comma-separated file has none.
            QString field = rawField;
            while (!field.isEmpty() &&
                   (field.at(0) == QLatin1Char(' ') || field.at(0) == QLatin1Char('\t')))
                field.remove(0, 1);
            if (!field.startsWith(QLatin1String("alias")))
                continue;
            // "alias" must be followed by a blank and a name; "aliases" or a
            // bare "alias" name nobody.
            if (field.size() < 7 || field.at(5) != QLatin1Char(' '))
                continue;
            QString name;
            QString rest;
            if (field.contains(QLatin1Char('"'))) {
                if (field.at(6) != QLatin1Char('"'))
                    continue;
                const QString s = field.mid(7);
                const qsizetype quote = s.indexOf(QLatin1Char('"'));
                if (quote < 0)
                    continue; // no closing quote
                name = s.left(quote);
                rest = s.mid(quote + 2);
            } else {
                const QString s = field.mid(6);
                const qsizetype space = s.indexOf(QLatin1Char(' '));
                if (space < 0)
                    continue; // a name without an address
                name = s.left(space);
                rest = s.mid(space + 1);
            }
            rest = rest.trimmed();
            if (name.trimmed().isEmpty() || rest.isEmpty())
                continue;
            out.append({name, rest});
        }
    }
    return out;
}

QString VCardFilePath() {
    RegistryValue value;
    if (RegReadValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Tarvel\\Contacts"),
                     QStringLiteral("VCardFile"), &value) != 0)
        return {};
    QByteArray data = value.data;
    const qsizetype nul = data.indexOf('\0');
    if (nul >= 0)
        data.truncate(nul);
    return QString::fromLocal8Bit(data).trimmed();
}

Contacts& contacts() {
    static LinuxContacts linux;
    return g_replacement ? *g_replacement : linux;
}

void SetContacts(Contacts* replacement) {
    g_replacement = replacement;
}

} // namespace platform
