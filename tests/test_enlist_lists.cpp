// The fixed choice lists of the address and profile pages: their entries,
// the entry chosen at start and the value the profile request sends.
#include "test_enlist_fixture.h"

#include "enlist/ChoiceLists.h"

namespace {

QStringList Entries(const QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    return entries;
}

// One field of a form body, "" when absent.
QString Field(const QString& body, const QString& key) {
    for (const QString& pair : body.split(QLatin1Char('&')))
        if (pair.startsWith(key + QLatin1Char('=')))
            return pair.mid(key.size() + 1);
    return QStringLiteral("<absent>");
}

class EnlistListsTest : public EnlistTest {
protected:
    // A Finish-mode window on the profile page whose step 2 always fails, so
    // that every Next sends one more profile body and stays.
    std::unique_ptr<frmEnlist> ProfilePage() {
        ServeUnfinished();
        service.SetReply(kStep2, QByteArray("busy"), 503);
        auto w = Load(QStringLiteral("/register jane,secret"));
        FillAddress(*w);
        w->cmdNext_Click();
        EXPECT_EQ(w->CurrentPage(), 3);
        FillProfile(*w);
        return w;
    }
    QString Send(frmEnlist& w) {
        const int before = Count(kStep2);
        w.cmdNext_Click();
        EXPECT_EQ(Count(kStep2), before + 1);
        return Body(kStep2, before);
    }
};

TEST_F(EnlistListsTest, CountsAndOrderOfEveryList) {
    auto w = Load(QString());
    EXPECT_EQ(w->cboState->count(), 68);
    EXPECT_EQ(w->cboCountry->count(), 237);
    EXPECT_EQ(w->cboDOBMonth->count(), 12);
    EXPECT_EQ(w->cboDOBYear->count(), 100);
    EXPECT_EQ(w->cboGender->count(), 2);
    EXPECT_EQ(w->cboEducation->count(), 5);
    EXPECT_EQ(w->cboIncome->count(), 6);
    EXPECT_EQ(w->cboMaritalStatus->count(), 3);
    EXPECT_EQ(w->cboEmployment->count(), 6);
    EXPECT_EQ(w->cboHoursOnline->count(), 4);
    EXPECT_EQ(w->cboFrequency->count(), 5);

    EXPECT_EQ(w->cboState->itemText(0), "AL - ALABAMA");
    EXPECT_EQ(w->cboState->itemText(8), "DC - DISTRICT OF COLUMBIA");
    EXPECT_EQ(w->cboState->itemText(52), "AB - ALBERTA");
    EXPECT_EQ(w->cboState->itemText(67), "NL - OTHER");
    EXPECT_EQ(w->cboCountry->itemText(0), "us - United States of America");
    EXPECT_EQ(w->cboCountry->itemText(1), "ca - Canada");
    EXPECT_EQ(w->cboCountry->itemText(2), "af - Afghanistan");
    EXPECT_EQ(w->cboCountry->itemText(236), "zw - Zimbabwe");
    EXPECT_EQ(w->cboDOBMonth->itemText(0), "January");
    EXPECT_EQ(w->cboDOBYear->itemText(0), "1999");
    EXPECT_EQ(w->cboDOBYear->itemText(99), "1900");
    EXPECT_EQ(Entries(w->cboGender), QStringList({"Male", "Female"}));
    EXPECT_EQ(Entries(w->cboEducation),
              QStringList({"Elementary", "High School", "College", "Masters Degree", "Doctorate"}));
    EXPECT_EQ(Entries(w->cboIncome), QStringList({"under $10k", "$10k-$30k", "$30k-$50k",
                                                  "$50k-$70k", "$70k-$100k", "over $100k"}));
    EXPECT_EQ(Entries(w->cboMaritalStatus),
              QStringList({"Married", "Single", "Domestic Partnership"}));
    EXPECT_EQ(Entries(w->cboEmployment), QStringList({"Unemployed", "Self Employed", "Other",
                                                      "Part Time", "Full Time", "Student"}));
    EXPECT_EQ(Entries(w->cboHoursOnline), QStringList({"0-5", "6-10", "11-25", "25+"}));
    EXPECT_EQ(Entries(w->cboFrequency),
              QStringList({"Daily", "Weekly", "Monthly", "Yearly", "Never"}));
}

TEST_F(EnlistListsTest, EntriesAreCodeBlankHyphenBlankName) {
    for (const QString& state : ChoiceLists::States()) {
        EXPECT_EQ(state.mid(2, 3), " - ") << state.toStdString();
        EXPECT_EQ(state.left(2), state.left(2).toUpper()) << state.toStdString();
        EXPECT_EQ(state, state.toUpper()) << state.toStdString();
    }
    for (const QString& country : ChoiceLists::Countries()) {
        EXPECT_EQ(country.mid(2, 3), " - ") << country.toStdString();
        EXPECT_EQ(country.left(2), country.left(2).toLower()) << country.toStdString();
    }
    // The four territories stand in both lists.
    for (const char* name :
         {"GU - GUAM", "PR - PUERTO RICO", "VI - VIRGIN ISLANDS", "AS - AMERICAN SAMOA"})
        EXPECT_TRUE(ChoiceLists::States().contains(QString::fromLatin1(name))) << name;
    for (const char* name :
         {"gu - Guam", "pr - Puerto Rico", "vi - Virgin Islands", "as - American Samoa"})
        EXPECT_TRUE(ChoiceLists::Countries().contains(QString::fromLatin1(name))) << name;
    // The countries after the first two are in order of their names.
    QStringList names;
    for (const QString& country : ChoiceLists::Countries().mid(2))
        names << country.mid(5);
    EXPECT_EQ(names.size(), 235);
    EXPECT_EQ(names.indexOf("Korea, North") + 1, names.indexOf("Korea, South"));
}

TEST_F(EnlistListsTest, OnlyTheCountryStartsChosen) {
    auto w = Load(QString());
    EXPECT_EQ(w->cboCountry->currentIndex(), 0);
    EXPECT_EQ(w->cboCountry->currentText(), "us - United States of America");
    for (QComboBox* combo :
         std::initializer_list<QComboBox*>{w->cboState, w->cboDOBMonth, w->cboDOBYear, w->cboGender,
                                           w->cboEducation, w->cboIncome, w->cboMaritalStatus,
                                           w->cboEmployment, w->cboHoursOnline, w->cboFrequency}) {
        EXPECT_EQ(combo->currentIndex(), -1);
        EXPECT_TRUE(combo->currentText().isEmpty());
    }
    // Pick-only lists: nothing can be typed into them.
    EXPECT_FALSE(w->cboState->isEditable());
    EXPECT_FALSE(w->cboCountry->isEditable());
}

TEST_F(EnlistListsTest, CodeListsSendTheirFirstTwoCharacters) {
    auto w = ProfilePage();
    w->cboState->setCurrentIndex(67); // NL - OTHER
    w->cboCountry->setCurrentIndex(w->cboCountry->findText("uk - United Kingdom"));
    w->cmdBack_Click();
    w->cmdNext_Click();
    QString body = Send(*w);
    EXPECT_EQ(Field(body, "State"), "NL");
    EXPECT_EQ(Field(body, "Country"), "uk");

    w->cmdBack_Click();
    w->cboState->setCurrentIndex(w->cboState->findText("QC - QUEBEC"));
    w->cboCountry->setCurrentIndex(0);
    w->cmdNext_Click();
    body = Send(*w);
    EXPECT_EQ(Field(body, "State"), "QC");
    EXPECT_EQ(Field(body, "Country"), "us");
}

TEST_F(EnlistListsTest, PositionListsSendPositionPlusOne) {
    auto w = ProfilePage();
    QString body = Send(*w);
    for (const char* key :
         {"DOBMonth", "Gender", "Education", "Income", "Employment", "HoursOnline", "Frequency"})
        EXPECT_EQ(Field(body, key), "1") << key;
    EXPECT_EQ(Field(body, "DOBYear"), "1999");

    w->cboDOBMonth->setCurrentIndex(9); // October
    w->cboDOBYear->setCurrentIndex(99);
    w->cboGender->setCurrentIndex(1);
    w->cboEducation->setCurrentIndex(4);
    w->cboIncome->setCurrentIndex(5);
    w->cboEmployment->setCurrentIndex(5);
    w->cboHoursOnline->setCurrentIndex(3);
    w->cboFrequency->setCurrentIndex(4);
    body = Send(*w);
    EXPECT_EQ(Field(body, "DOBMonth"), "10");
    EXPECT_EQ(Field(body, "DOBYear"), "1900");
    EXPECT_EQ(Field(body, "Gender"), "2");
    EXPECT_EQ(Field(body, "Education"), "5");
    EXPECT_EQ(Field(body, "Income"), "6");
    EXPECT_EQ(Field(body, "Employment"), "6");
    EXPECT_EQ(Field(body, "HoursOnline"), "4");
    EXPECT_EQ(Field(body, "Frequency"), "5");

    w->cboDOBMonth->setCurrentIndex(11);
    body = Send(*w);
    EXPECT_EQ(Field(body, "DOBMonth"), "12");
}

TEST_F(EnlistListsTest, MaritalStatusSendsItsStoredNumber) {
    auto w = ProfilePage();
    const QString expected[] = {"1", "2", "5"};
    for (int i = 0; i < 3; ++i) {
        w->cboMaritalStatus->setCurrentIndex(i);
        EXPECT_EQ(Field(Send(*w), "MaritalStatus"), expected[i]) << i;
    }
}

} // namespace
