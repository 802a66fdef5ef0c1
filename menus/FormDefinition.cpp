#include "menus/FormDefinition.h"

#include "platform/Latin1Text.h"

#include <optional>

namespace menus {

namespace {

// The run-time errors the design's reading raised, by the same numbers.
constexpr int kSubscriptOutOfRange = 9;
constexpr int kTypeMismatch = 13;
constexpr int kInputPastEndOfFile = 62;
constexpr int kOutOfMemory = 7;

// Twips beyond this are no panel anyone can see; accepting them would only
// let a broken file allocate a picture of gigabytes.
constexpr int kTwipsLimit = 30000;
// A text box holds at most this many characters.
constexpr int kMaxLengthLimit = 32767;

// Stops reading: the message and number go to FormDefinition::Error.
struct Stop {
    QString message;
    int number;
};

// One more control for the panel. Tens of thousands of sibling widgets
// overflow the stack when Qt paints them (35,000 labels crashed the program),
// so a file that asks for more than a panel can hold stops there, like the
// design's running out of room to load controls.
void CountControl(int* built) {
    if (++*built > FormDefinition::kMaxControls)
        throw Stop{QStringLiteral("Out of memory"), kOutOfMemory};
}

class Lines {
public:
    explicit Lines(const QByteArray& bytes) : bytes_(bytes) {}

    QString Next() {
        if (AtEnd())
            throw Stop{QStringLiteral("Input past end of file"), kInputPastEndOfFile};
        qsizetype end = pos_;
        while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n')
            ++end;
        const QString line = DecodeWindows1252(bytes_.mid(pos_, end - pos_));
        pos_ = end;
        if (pos_ < bytes_.size() && bytes_[pos_] == '\r')
            ++pos_;
        if (pos_ < bytes_.size() && bytes_[pos_] == '\n')
            ++pos_;
        return line;
    }
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    // Only line ends and blanks are left.
    bool OnlyBlankLeft() const {
        for (qsizetype i = pos_; i < bytes_.size(); ++i) {
            const char c = bytes_[i];
            if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
                return false;
        }
        return true;
    }

private:
    const QByteArray& bytes_;
    qsizetype pos_ = 0;
};

// The design converted with the language's rules: blanks around the digits
// are allowed, anything else is a type mismatch.
int Number(const QString& field, int low, int high) {
    bool ok = false;
    const int value = field.trimmed().toInt(&ok, 10);
    if (!ok)
        throw Stop{QStringLiteral("Type mismatch"), kTypeMismatch};
    if (value < low || value > high)
        throw Stop{QStringLiteral("Invalid property value"), 380};
    return value;
}

int Position(const QString& field) {
    return Number(field, -kTwipsLimit, kTwipsLimit);
}

int Size(const QString& field) {
    return Number(field, 0, kTwipsLimit);
}

int Count(const QString& line) {
    return Number(line, 0, 1 << 20);
}

// The fields of a line; fewer than `needed` is the subscript error the
// design's split array raised.
QStringList Fields(const QString& line, int needed) {
    QStringList parts = line.split(QLatin1Char(','));
    if (parts.size() < needed)
        throw Stop{QStringLiteral("Subscript out of range"), kSubscriptOutOfRange};
    return parts;
}

} // namespace

QString DecodeWindows1252(const QByteArray& bytes) {
    return platform::DecodeAnsi(bytes);
}

FormDefinition ParseFormDefinition(const QByteArray& bytes) {
    FormDefinition def;
    Lines lines(bytes);
    int built = 0;
    try {
        if (lines.Next() != QLatin1String("0.1"))
            return def;
        def.VersionOK = true;
        lines.Next(); // a title for the people who write the files

        QStringList f = Fields(lines.Next(), 2);
        const int width = Size(f[0]);
        const int height = Size(f[1]);
        def.Width = width;
        def.Height = height;
        def.HaveSize = true;

        def.SubmitURL = lines.Next();
        def.HaveSubmitURL = true;

        f = Fields(lines.Next(), 4);
        const int left = Position(f[0]);
        const int top = Position(f[1]);
        const int buttonWidth = Size(f[2]);
        def.ButtonLeft = left;
        def.ButtonTop = top;
        def.ButtonWidth = buttonWidth;
        def.ButtonCaption = f[3];
        def.HaveButton = true;

        const int hidden = Count(lines.Next());
        for (int i = 0; i < hidden; ++i) {
            if (i >= FormDefinition::kMaxHidden)
                throw Stop{QStringLiteral("Subscript out of range"), kSubscriptOutOfRange};
            def.Hidden << lines.Next();
        }

        const int labels = Count(lines.Next());
        for (int i = 0; i < labels; ++i) {
            CountControl(&built);
            f = Fields(lines.Next(), 3);
            def.Labels << FormLabel{Position(f[0]), Position(f[1]), f[2]};
        }

        const int fields = Count(lines.Next());
        for (int i = 0; i < fields; ++i) {
            CountControl(&built);
            f = Fields(lines.Next(), 5);
            FormField field;
            field.Left = Position(f[0]);
            field.Top = Position(f[1]);
            field.Width = Size(f[2]);
            field.MaxLength = Number(f[3], 0, kMaxLengthLimit);
            field.Name = f[4];
            def.Fields << field;
        }

        const int selects = Count(lines.Next());
        for (int i = 0; i < selects; ++i) {
            if (i >= FormDefinition::kMaxSelects)
                throw Stop{QStringLiteral("Subscript out of range"), kSubscriptOutOfRange};
            CountControl(&built);
            f = Fields(lines.Next(), 4);
            FormSelect select;
            select.Left = Position(f[0]);
            select.Top = Position(f[1]);
            select.Width = Size(f[2]);
            select.Name = f[3];
            const QString options = lines.Next();
            // An empty line is a list without entries; otherwise value and
            // text alternate, and a value without its text is the error.
            if (!options.isEmpty()) {
                const QStringList o = options.split(QLatin1Char(','));
                if (o.size() % 2 != 0)
                    throw Stop{QStringLiteral("Subscript out of range"), kSubscriptOutOfRange};
                if (o.size() / 2 > FormDefinition::kMaxOptions)
                    throw Stop{QStringLiteral("Out of memory"), kOutOfMemory};
                for (int j = 0; j + 1 < o.size(); j += 2) {
                    select.Values << o[j];
                    select.Texts << o[j + 1];
                }
            }
            def.Selects << select;
        }

        if (lines.OnlyBlankLeft())
            return def;
        const int pictures = Count(lines.Next());
        for (int i = 0; i < pictures; ++i) {
            CountControl(&built);
            f = Fields(lines.Next(), 3);
            def.Pictures << FormPicture{f[0], Position(f[1]), Position(f[2])};
        }
    } catch (const Stop& stop) {
        def.Error = stop.message;
        def.ErrorNumber = stop.number;
    }
    return def;
}

QString BrowserAddress(const QString& submitAddress) {
    const QString a = submitAddress;
    if (a.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        a.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return a.size() > a.indexOf(QLatin1String("//")) + 2 ? a : QString();
    // A host name: labels of letters, digits and hyphens joined by dots, at
    // least one dot (or "localhost"), then perhaps ":port", then the end or
    // the path or query.
    qsizetype end = 0;
    while (end < a.size() && a[end] != QLatin1Char('/') && a[end] != QLatin1Char('?') &&
           a[end] != QLatin1Char('#'))
        ++end;
    QString host = a.left(end);
    const qsizetype colon = host.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QString port = host.mid(colon + 1);
        if (port.isEmpty() || port.size() > 5)
            return QString();
        for (const QChar c : port)
            if (!c.isDigit() || c.unicode() > 127)
                return QString();
        host = host.left(colon);
    }
    if (host.isEmpty())
        return QString();
    const QStringList labels = host.split(QLatin1Char('.'));
    if (labels.size() < 2 && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return QString();
    for (const QString& label : labels) {
        if (label.isEmpty() || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return QString();
        for (const QChar c : label) {
            const ushort u = c.unicode();
            const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                            (u >= '0' && u <= '9') || u == '-';
            if (!ok)
                return QString();
        }
    }
    return QStringLiteral("http://") + a;
}

} // namespace menus
