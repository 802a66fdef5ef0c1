// The menu database update against the local service: the request, the
// three-day rule, every kind of change line and the replies that go wrong.
#include "test_store_fixture.h"

#include "core/clsItemManagerUpdate.h"
#include "platform/Dbf.h"

#include <QFile>
#include <QFileInfo>

using namespace storetest;

namespace {

class StoreUpdateTest : public StoreTest {
protected:
    void Reply(const QByteArray& body) { service.SetReply(Page("getUpdates.ASP"), body); }
    QString Stamp() const { return modGlobals::GetSetting("Main", "LastUpdated", "(none)"); }
    QString SentStamp() const {
        const auto requests = service.RequestsFor(Page("getUpdates.ASP"));
        return requests.isEmpty() ? QString() : requests.last().formValue("LastUpdated");
    }
    void SetTableTime(const QDateTime& when) {
        QFile f(TablePath());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
};

} // namespace

TEST_F(StoreUpdateTest, RequestBodyWithTheDefaultStamp) {
    WriteTable({Rec(1, 3, "Row")});
    Reply("");
    Open().DownloadUpdates();
    const auto requests = service.RequestsFor(Page("getUpdates.ASP"));
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "UserID=1234&Version=1.0.3&LastUpdated=01/04/00+12:00:00+AM");
    EXPECT_EQ(Stamp(), "(none)"); // an empty reply stores nothing
}

TEST_F(StoreUpdateTest, StampFormatAndTheThreeDayRule) {
    WriteTable({Rec(1, 3, "Row")});
    SetTableTime(QDateTime(QDate(2026, 3, 1), QTime(10, 0)));
    Reply("");
    modGlobals::SaveSetting("Main", "LastUpdated", "3/3/2026 4:05:09 PM");
    Open().DownloadUpdates();
    EXPECT_EQ(SentStamp(), "03/03/26 4:05:09 PM"); // "+" is a space once decoded
    EXPECT_TRUE(service.RequestsFor(Page("getUpdates.ASP"))
                    .last()
                    .body.endsWith("LastUpdated=03/03/26+4:05:09+PM"));
    modGlobals::SaveSetting("Main", "LastUpdated", "3/4/2026 0:00:01");
    store->DownloadUpdates();
    EXPECT_EQ(SentStamp(), "01/04/00 12:00:00 AM");
    modGlobals::SaveSetting("Main", "LastUpdated", "not a date");
    store->DownloadUpdates();
    EXPECT_EQ(SentStamp(), "01/04/00 12:00:00 AM");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(StoreUpdateTest, InsertAppendsWithCommasRestoredAndFlagsHotBuy) {
    WriteTable({Rec(1, 3, "Row")});
    Reply("12/8/2026 10:15:00 AM\r\nI,12,Tea%24 Coffee,Cup,Hot%24 fresh,True,3,False,,0,\r\n");
    clsItemManager& m = Open();
    m.DownloadUpdates();
    ItemPtr tea = m.GetItem(12);
    ASSERT_TRUE(tea);
    EXPECT_EQ(tea->Name, "Tea, Coffee");
    EXPECT_EQ(tea->Description, "Hot, fresh");
    EXPECT_EQ(tea->ParentID, 3);
    EXPECT_TRUE(tea->IsItem);
    EXPECT_FALSE(tea->IsRestricted);
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM"); // exactly as received
    EXPECT_EQ(modGlobals::GetSetting("Main", "NewHotBuy", "No"), "Yes");
    EXPECT_TRUE(errors.isEmpty());
    store.reset();
    EXPECT_EQ(Raw(12, "IsItem"), "T");
    EXPECT_EQ(Raw(12, "IsRestrict"), "F");
    EXPECT_EQ(Raw(12, "Bid"), "         0");
}

TEST_F(StoreUpdateTest, UpdateOfAnExistingRecordKeepsIdAndParent) {
    localservice::SampleRecord r = Rec(12, 5, "Old", false, "1.00");
    r.form = "old.frm";
    r.adUrl = "http://old";
    WriteTable({r});
    Reply("12/8/2026 10:15:00 AM\r\nU,12,New%24 name,icon.gif,Desc,-1,3,-1,,2.75,http://new\r\n");
    clsItemManager& m = Open();
    m.DownloadUpdates();
    ItemPtr item = m.GetItem(12);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name, "New, name");
    EXPECT_EQ(item->Icon, "icon.gif");
    EXPECT_EQ(item->ParentID, 5); // not from the line
    EXPECT_TRUE(item->IsItem);
    EXPECT_TRUE(item->IsRestricted);
    EXPECT_TRUE(item->Form.isEmpty());
    EXPECT_FLOAT_EQ(item->Bid, 2.75f);
    EXPECT_EQ(modGlobals::GetSetting("Main", "NewHotBuy", "No"), "No");
    store.reset();
    EXPECT_EQ(Raw(12, "AdURL").trimmed(), "http://new");
}

TEST_F(StoreUpdateTest, BidDeleteAndRecall) {
    WriteTable({Rec(12, 5, "Bidder", true, "1.00"), Rec(13, 5, "Doomed"), Rec(14, 5, "Back")});
    {
        auto t = platform::DbfTable::Open(TablePath());
        t->Delete(2);
    }
    Reply("12/8/2026 10:15:00 AM\r\nB,12,0.25\r\nD,13\r\nD,99\r\nD,13,extra,fields\r\n"
          "I,14,Back again,,,0,5,0,,,\r\n  \r\n");
    clsItemManager& m = Open();
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).msg.toStdString();
    ASSERT_NE(m.GetItem(12), nullptr);
    EXPECT_FLOAT_EQ(m.GetItem(12)->Bid, 0.25f);
    EXPECT_EQ(Names(m.GetCollection(5)),
              (QStringList{"Bidder", "Advertise here", "-", "Back again"}));
    store.reset();
    EXPECT_EQ(Raw(12, "Bid"), "      0.25");
    EXPECT_TRUE(RawDeleted(13));
    EXPECT_FALSE(RawDeleted(14)); // an insert brings a deleted record back
}

TEST_F(StoreUpdateTest, MalformedLinesAreSkippedAndReportedOnce) {
    WriteTable({Rec(12, 5, "Twelve", true, "1.00")});
    Reply("12/8/2026 10:15:00 AM\r\n"
          "I,20,Before,,,True,5,False,,,\r\n"
          "U,12,Short,,\r\n"                 // 5 fields
          "B,12\r\n"                         // 2 fields
          "X,12\r\n"                         // unknown kind
          "i,21,Lower,,,True,5,False,,,\r\n" // kinds are case-sensitive
          "I,abc,Bad id,,,True,5,False,,,\r\n"
          "I,22,Bad parent,,,True,five,False,,,\r\n"
          "I,23,Bad flag,,,Maybe,5,False,,,\r\n"
          "B,12,lots\r\n"
          "D\r\n"
          "I,24,After,,,True,5,False,,,\r\n");
    clsItemManager& m = Open();
    m.DownloadUpdates();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].location, "clsItemManager.DownloadUpdates");
    EXPECT_TRUE(errors[0].msg.startsWith("9 malformed")) << errors[0].msg.toStdString();
    EXPECT_TRUE(errors[0].msg.contains("line 2")) << errors[0].msg.toStdString();
    EXPECT_TRUE(m.GetItem(20));
    EXPECT_TRUE(m.GetItem(24));
    for (int id : {21, 22, 23})
        EXPECT_FALSE(m.GetItem(id)) << id;
    ASSERT_NE(m.GetItem(12), nullptr);
    EXPECT_EQ(m.GetItem(12)->Name, "Twelve");
    EXPECT_FLOAT_EQ(m.GetItem(12)->Bid, 1.0f);
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
}

TEST_F(StoreUpdateTest, LinesWithAFieldTooManyAreRefusedAndCountedButADeleteIgnoresItsExtras) {
    WriteTable({Rec(12, 5, "Twelve", true, "1.00"), Rec(13, 5, "Thirteen")});
    Reply("12/8/2026 10:15:00 AM\r\n"
          "I,30,Extra,,,True,5,False,,,,more\r\n" // 12 fields
          "U,12,Renamed,,,True,5,False,,,,\r\n"   // 12 fields, the last one empty
          "B,12,2.50,x\r\n"                       // 4 fields
          "D,13,gone,for good\r\n");              // a delete reads its id only
    clsItemManager& m = Open();
    m.DownloadUpdates();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.startsWith("3 malformed")) << errors[0].msg.toStdString();
    EXPECT_TRUE(errors[0].msg.contains("line 1")) << errors[0].msg.toStdString();
    EXPECT_EQ(m.GetItem(30), nullptr);
    const ItemPtr twelve = m.GetItem(12);
    ASSERT_NE(twelve, nullptr);
    EXPECT_EQ(twelve->Name, "Twelve");
    EXPECT_FLOAT_EQ(twelve->Bid, 1.0f);
    store.reset();
    EXPECT_TRUE(RawDeleted(13));
    EXPECT_FALSE(RawDeleted(12));
}

TEST_F(StoreUpdateTest, ShortAndErrorRepliesChangeNothing) {
    WriteTable({Rec(12, 5, "Twelve")});
    clsItemManager& m = Open();
    for (const QByteArray& body : {QByteArray(), QByteArray("12/8/2026 10:15:00 AM"),
                                   QByteArray("ERR"), QByteArray("ERR\r\n")}) {
        Reply(body);
        m.DownloadUpdates();
        EXPECT_EQ(Stamp(), "(none)") << body.toStdString();
        ASSERT_NE(m.GetItem(12), nullptr);
        EXPECT_FALSE(m.GetItem(12)->Name.isEmpty());
    }
    EXPECT_TRUE(errors.isEmpty());
    store.reset();
    EXPECT_FALSE(RawDeleted(12));
}

TEST_F(StoreUpdateTest, AnErrorTextInPlaceOfTheStampIsNoDateAndTheLinesAreApplied) {
    WriteTable({Rec(12, 5, "Twelve"), Rec(13, 5, "Thirteen")});
    clsItemManager& m = Open();
    Reply("ERR\r\nD,12\r\n");
    m.DownloadUpdates();
    Reply("Server error\r\nB,13,2.50\r\n");
    m.DownloadUpdates();
    EXPECT_EQ(Stamp(), "(none)");
    EXPECT_TRUE(errors.isEmpty());
    ASSERT_NE(m.GetItem(13), nullptr);
    EXPECT_FLOAT_EQ(m.GetItem(13)->Bid, 2.5f);
    store.reset();
    EXPECT_TRUE(RawDeleted(12));
}

TEST_F(StoreUpdateTest, StampAloneIsStoredAndAStampThatIsNoDateIsNot) {
    WriteTable({Rec(12, 5, "Twelve")});
    clsItemManager& m = Open();
    Reply("12/8/2026 10:15:00 AM\r\n");
    m.DownloadUpdates();
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
    Reply("yesterday\r\nB,12,3.00\r\n");
    m.DownloadUpdates();
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
    ASSERT_NE(m.GetItem(12), nullptr);
    EXPECT_FLOAT_EQ(m.GetItem(12)->Bid, 3.0f); // the records are applied
}

TEST_F(StoreUpdateTest, ServerDownChangesNothing) {
    WriteTable({Rec(12, 5, "Twelve")});
    service.Stop();
    Open().DownloadUpdates();
    EXPECT_EQ(Stamp(), "(none)");
    EXPECT_TRUE(errors.isEmpty());
}

TEST(UpdateText, MonthFirstDates) {
    using ItemUpdate::ParseMonthFirstDate;
    EXPECT_EQ(ParseMonthFirstDate("1/4/2000"), QDateTime(QDate(2000, 1, 4), QTime(0, 0)));
    EXPECT_EQ(ParseMonthFirstDate("12/08/26 4:05 PM"), QDateTime(QDate(2026, 12, 8), QTime(16, 5)));
    EXPECT_EQ(ParseMonthFirstDate("3/5/2026 12:30:01 AM"),
              QDateTime(QDate(2026, 3, 5), QTime(0, 30, 1)));
    EXPECT_EQ(ParseMonthFirstDate("3/5/99"), QDateTime(QDate(1999, 3, 5), QTime(0, 0)));
    EXPECT_EQ(ParseMonthFirstDate("2026-03-05 17:00:00"),
              QDateTime(QDate(2026, 3, 5), QTime(17, 0)));
    EXPECT_FALSE(ParseMonthFirstDate("13/1/2000").isValid());
    EXPECT_FALSE(ParseMonthFirstDate("2/30/2000").isValid());
    EXPECT_FALSE(ParseMonthFirstDate("ERR").isValid());
    EXPECT_FALSE(ParseMonthFirstDate("3/5/2026 13:00 PM").isValid());
    EXPECT_EQ(ItemUpdate::RequestStamp(QDateTime(QDate(2026, 12, 8), QTime(23, 7, 9))),
              "12/08/26+11:07:09+PM");
    EXPECT_EQ(modGlobals::ParseBoolean(u"-1"), true);
    EXPECT_EQ(modGlobals::ParseBoolean(u"false"), false);
    EXPECT_EQ(modGlobals::ParseBoolean(u"yes"), std::nullopt);
}

TEST(UpdateText, IntegersAndBids) {
    EXPECT_EQ(ItemUpdate::ParseInteger(u" 12 "), 12);
    EXPECT_EQ(ItemUpdate::ParseInteger(u"-3"), -3);
    EXPECT_EQ(ItemUpdate::ParseInteger(u"1.0"), std::nullopt);
    EXPECT_EQ(ItemUpdate::ParseInteger(u"99999999999"), std::nullopt);
    EXPECT_EQ(ItemUpdate::ParseInteger(u""), std::nullopt);
    EXPECT_TRUE(ItemUpdate::IsBid(u""));
    EXPECT_TRUE(ItemUpdate::IsBid(u" 0.25"));
    EXPECT_TRUE(ItemUpdate::IsBid(u"12"));
    EXPECT_FALSE(ItemUpdate::IsBid(u"-1"));
    EXPECT_FALSE(ItemUpdate::IsBid(u"."));
    EXPECT_FALSE(ItemUpdate::IsBid(u"1.2.3"));
    EXPECT_EQ(ItemUpdate::DecodeCommas(u"a%24b%24"), "a,b,");
}

TEST_F(StoreUpdateTest, AFailedWriteKeepsTheOldStampAndIsReported) {
    WriteTable({Rec(12, 5, "Twelve")});
    modGlobals::SaveSetting("Main", "LastUpdated", "12/1/2026 9:00:00 AM");
    Reply("12/8/2026 10:15:00 AM\r\nI,30,New,,,True,3,False,,,\r\n");
    clsItemManager& m = Open();
    {
        FileSizeLimit limit(static_cast<rlim_t>(QFileInfo(TablePath()).size()));
        m.DownloadUpdates();
    }
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.startsWith("The menu database could not be written"))
        << errors[0].msg.toStdString();
    EXPECT_EQ(Stamp(), "12/1/2026 9:00:00 AM"); // the same changes are asked for again
    EXPECT_EQ(modGlobals::GetSetting("Main", "NewHotBuy", "No"), "No");
    // Once the disk takes it again, the next update writes it.
    errors.clear();
    m.DownloadUpdates();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(Stamp(), "12/8/2026 10:15:00 AM");
    store.reset();
    EXPECT_EQ(Raw(30, "Name").trimmed(), "New");
}
