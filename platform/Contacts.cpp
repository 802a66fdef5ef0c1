#include "platform/Contacts.h"

#include "platform/Registry.h"

#include <QFile>
#include <QStringList>

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

// "item1.EMAIL;TYPE=INTERNET" -> "EMAIL".
QString PropertyName(const QString& head) {
    QString name = head.section(QLatin1Char(';'), 0, 0);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.mid(dot + 1);
    return name.trimmed().toUpper();
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
    // Folded lines continue with a blank or a tab at the start of the next.
    QStringList lines;
    for (QByteArray raw : text.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (!lines.isEmpty() && !line.isEmpty() &&
            (line.at(0) == QLatin1Char(' ') || line.at(0) == QLatin1Char('\t')))
            lines.last() += line.mid(1);
        else
            lines << line;
    }

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
