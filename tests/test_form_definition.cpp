// Reading form-definition files without any widget: what a well-formed file
// gives, how each kind of broken file stops (keeping what came before),
// files cut off at every byte, 8-bit text, and which submit addresses may
// reach the browser.
#include "menus/FormDefinition.h"

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using menus::FormDefinition;
using menus::ParseFormDefinition;

namespace {

QByteArray File(const QStringList& lines) {
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

QStringList Full() {
    return {"0.1",
            "Quote, with title",
            "3600,1500",
            "http://www.example.com/q.asp?x=1,2",
            "2250,1020,1200,Get Quote,now",
            "2",
            "form=quote,1",
            "lang=en",
            "1",
            "120,120,City, state:",
            "1",
            "120,390,3300,30,symbols",
            "2",
            "120,750,1800,market",
            "NYSE,New York,NASDAQ,Nasdaq",
            "720,750,900,empty",
            "",
            "1",
            "logo.png,60,90"};
}

TEST(FormDefinitionRead, AWholeFileGivesEveryPartWithCommasCuttingOnlyTheFieldsThatAreSplit) {
    const FormDefinition d = ParseFormDefinition(File(Full()));
    EXPECT_TRUE(d.Error.isEmpty()) << d.Error.toStdString();
    EXPECT_TRUE(d.VersionOK);
    EXPECT_EQ(d.Width, 3600);
    EXPECT_EQ(d.Height, 1500);
    // Lines taken whole keep their commas; split lines lose what follows.
    EXPECT_EQ(d.SubmitURL, "http://www.example.com/q.asp?x=1,2");
    EXPECT_EQ(d.ButtonCaption, "Get Quote");
    EXPECT_EQ(d.Hidden, QStringList({"form=quote,1", "lang=en"}));
    ASSERT_EQ(d.Labels.size(), 1);
    EXPECT_EQ(d.Labels[0].Caption, "City");
    ASSERT_EQ(d.Fields.size(), 1);
    EXPECT_EQ(d.Fields[0].MaxLength, 30);
    EXPECT_EQ(d.Fields[0].Name, "symbols");
    ASSERT_EQ(d.Selects.size(), 2);
    // Four fields: two entries, values the first and third.
    EXPECT_EQ(d.Selects[0].Values, QStringList({"NYSE", "NASDAQ"}));
    EXPECT_EQ(d.Selects[0].Texts, QStringList({"New York", "Nasdaq"}));
    EXPECT_TRUE(d.Selects[1].Values.isEmpty()); // an empty option line: no entries
    ASSERT_EQ(d.Pictures.size(), 1);
    EXPECT_EQ(d.Pictures[0].File, "logo.png");
    EXPECT_EQ(d.Pictures[0].Top, 90);
}

TEST(FormDefinitionRead, ThePictureSectionMayBeMissingOrBlankAndLineEndsMayBeBare) {
    QStringList lines = Full().mid(0, 17);
    FormDefinition d = ParseFormDefinition(File(lines));
    EXPECT_TRUE(d.Error.isEmpty());
    EXPECT_EQ(d.Selects.size(), 2);
    EXPECT_TRUE(d.Pictures.isEmpty());
    // Trailing blank lines are no count line.
    d = ParseFormDefinition(File(lines) + "\r\n\r\n  \r\n");
    EXPECT_TRUE(d.Error.isEmpty()) << d.Error.toStdString();
    // No line end at all after the last line; LF alone between lines.
    d = ParseFormDefinition(Full().join(QLatin1Char('\n')).toLatin1());
    EXPECT_TRUE(d.Error.isEmpty());
    EXPECT_EQ(d.Pictures.size(), 1);
    EXPECT_EQ(d.Pictures[0].Left, 60);
}

TEST(FormDefinitionRead, OnlyTheExactVersionCounts) {
    for (const char* version : {"0.10", " 0.1", "0.1 ", "0.2", "",
                                "\xEF\xBB\xBF"
                                "0.1"}) {
        QStringList lines = Full();
        lines[0] = QString::fromLatin1(version);
        const FormDefinition d = ParseFormDefinition(File(lines));
        EXPECT_FALSE(d.VersionOK) << version;
        EXPECT_FALSE(d.HaveSize);
        EXPECT_TRUE(d.Error.isEmpty());
    }
    EXPECT_FALSE(ParseFormDefinition(QByteArray()).VersionOK);
}

TEST(FormDefinitionRead, AllCountsZeroGiveOnlyTheButton) {
    const FormDefinition d = ParseFormDefinition(
        File({"0.1", "", "1500,900", "http://x.example/a", "60,60,900,Go", "0", "0", "0", "0"}));
    EXPECT_TRUE(d.Error.isEmpty());
    EXPECT_TRUE(d.HaveButton);
    EXPECT_EQ(d.ButtonLeft, 60);
    EXPECT_TRUE(d.Hidden.isEmpty() && d.Labels.isEmpty() && d.Fields.isEmpty() &&
                d.Selects.isEmpty() && d.Pictures.isEmpty());
}

TEST(FormDefinitionRead, LimitsAndMalformedLinesStopWithWhatWasReadBefore) {
    // A twelfth hidden line: eleven kept.
    QStringList lines = Full();
    lines[5] = "12";
    for (int i = 0; i < 10; ++i)
        lines.insert(7, QStringLiteral("h%1=x").arg(i));
    FormDefinition d = ParseFormDefinition(File(lines));
    EXPECT_EQ(d.Error, "Subscript out of range");
    EXPECT_EQ(d.Hidden.size(), 11);
    EXPECT_TRUE(d.Labels.isEmpty());

    // An eleventh list: ten kept.
    lines = Full().mid(0, 12);
    lines << "11";
    for (int i = 0; i < 11; ++i)
        lines << QStringLiteral("0,%1,900,l%1").arg(i * 300) << "a,A";
    d = ParseFormDefinition(File(lines));
    EXPECT_EQ(d.Error, "Subscript out of range");
    EXPECT_EQ(d.Selects.size(), 10);

    // A value without its text.
    lines = Full();
    lines[14] = "NYSE,New York,NASDAQ";
    d = ParseFormDefinition(File(lines));
    EXPECT_EQ(d.Error, "Subscript out of range");
    EXPECT_TRUE(d.Selects.isEmpty());
    EXPECT_EQ(d.Fields.size(), 1);

    // A width that is no number, and one too few fields.
    lines = Full();
    lines[11] = "120,390,wide,30,symbols";
    d = ParseFormDefinition(File(lines));
    EXPECT_EQ(d.Error, "Type mismatch");
    EXPECT_EQ(d.ErrorNumber, 13);
    EXPECT_EQ(d.Labels.size(), 1);
    EXPECT_TRUE(d.Fields.isEmpty());
    lines = Full();
    lines[9] = "120,120";
    EXPECT_EQ(ParseFormDefinition(File(lines)).ErrorNumber, 9);

    // A panel of millions of pixels, a negative width, a count that is no
    // count: refused before anything is made of them.
    for (const char* size : {"3600000,1500", "-10,1500", "3600"}) {
        lines = Full();
        lines[2] = QString::fromLatin1(size);
        d = ParseFormDefinition(File(lines));
        EXPECT_FALSE(d.HaveSize) << size;
        EXPECT_FALSE(d.Error.isEmpty()) << size;
    }
    lines = Full();
    lines[8] = "one";
    d = ParseFormDefinition(File(lines));
    EXPECT_EQ(d.Error, "Type mismatch");
    EXPECT_EQ(d.Hidden.size(), 2);
}

TEST(FormDefinitionRead, AFileCutOffAnywhereStopsCleanly) {
    const QByteArray whole = File(Full());
    const FormDefinition complete = ParseFormDefinition(whole);
    for (int n = 0; n < whole.size(); ++n) {
        const FormDefinition d = ParseFormDefinition(whole.left(n));
        // Never more than the whole file gives, and a cut inside the
        // counted sections is always an error.
        EXPECT_LE(d.Labels.size(), complete.Labels.size());
        EXPECT_LE(d.Selects.size(), complete.Selects.size());
        EXPECT_LE(d.Pictures.size(), complete.Pictures.size());
        if (d.VersionOK && d.Selects.size() < 2) {
            EXPECT_FALSE(d.Error.isEmpty()) << n;
        }
    }
}

TEST(FormDefinitionRead, EightBitTextIsTheWindowsCodePage) {
    QByteArray bytes = File(Full());
    bytes.replace("City", "Caf\xE9 \x80 \x96"
                          "x\x81");
    const FormDefinition d = ParseFormDefinition(bytes);
    ASSERT_EQ(d.Labels.size(), 1);
    EXPECT_EQ(d.Labels[0].Caption, QString::fromUtf8("Café € –x\u0081"));
}

TEST(FormSubmitAddress, OnlyWebAddressesReachTheBrowser) {
    EXPECT_EQ(menus::BrowserAddress("http://www.example.com/f.asp?&a=1"),
              "http://www.example.com/f.asp?&a=1");
    EXPECT_EQ(menus::BrowserAddress("HTTPS://example.com/"), "HTTPS://example.com/");
    EXPECT_EQ(menus::BrowserAddress("www.example.com/find.asp?&q=1"),
              "http://www.example.com/find.asp?&q=1");
    EXPECT_EQ(menus::BrowserAddress("localhost:8080/f?"), "http://localhost:8080/f?");
    for (const char* bad :
         {"/cgi-bin/find?", "./find.asp?", "~user/find?", "file:///etc/passwd?",
          "javascript:alert(1)?", "C:\\Program Files\\x.exe?", "ftp://example.com/?", "?",
          "mailto:a@example.com?", "http://", "example?", "-bad.example.com/?",
          "www.example.com:80x/?", "exa mple.com/?"})
        EXPECT_TRUE(menus::BrowserAddress(QString::fromLatin1(bad)).isEmpty()) << bad;
}

} // namespace
