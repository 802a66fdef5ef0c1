// A category too large to read between two repaints: it is read while the
// windows go on repainting, with the same rows in the same order as a small
// one, and its unreadable records reported once.
#include "test_store_fixture.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QWidget>

using namespace storetest;
using localservice::SampleRecord;

namespace {

class StoreLargeTest : public StoreTest {};

// `count` sites in category 9, named so that their order differs from the
// table's: "Site 00007 ..." for the row n = count - 1 - 7.
std::vector<SampleRecord> Sites(int count) {
    std::vector<SampleRecord> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n)
        rows.push_back(Rec(1000 + n, 9,
                           QStringLiteral("site %1").arg(count - 1 - n, 5, 10, QLatin1Char('0'))));
    return rows;
}

class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

TEST_F(StoreLargeTest, WindowsRepaintWhileALargeCategoryIsRead) {
    std::vector<SampleRecord> rows = Sites(80000);
    rows.push_back(Rec(1, 0, "Large", false));
    WriteTable(rows);
    clsItemManager& m = Open();
    PaintCounter window;
    window.resize(50, 50);
    window.show();
    QCoreApplication::processEvents();
    const int before = window.paints;
    window.update(); // a repaint is due when the category is asked for
    ItemCollectionPtr c = m.GetCollection(9);
    EXPECT_GT(window.paints, before) << "no repaint while the category was read";
    ASSERT_EQ(c->Count(), 2 + 80000); // the filler and the separator first
    EXPECT_EQ(c->Item(3)->Name, "site 00000");
    EXPECT_EQ(c->Item(3)->ID, 1000 + 79999);
    EXPECT_EQ(c->Item(c->Count())->Name, "site 79999");
    EXPECT_EQ(c->Item(c->Count())->ID, 1000);
}

TEST_F(StoreLargeTest, UnreadableRecordsOfALargeCategoryAreReportedOnceAndTheRestShown) {
    std::vector<SampleRecord> rows = Sites(12000);
    rows[100].bid = "1.2.3";
    rows[5000].bid = "x";
    WriteTable(rows);
    ItemCollectionPtr c = Open().GetCollection(9);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].msg.startsWith("Type mismatch: record 101 of MenuItems.dat has the Bid"))
        << errors[0].msg.toStdString();
    EXPECT_TRUE(errors[0].msg.endsWith("(and 1 more records of category 9)"))
        << errors[0].msg.toStdString();
    ASSERT_EQ(c->Count(), 2 + 11998);
    // The rows after an unreadable one keep their own fields.
    EXPECT_EQ(c->Item(3)->Name, "site 00000");
    EXPECT_EQ(c->Item(3)->ID, 1000 + 11999);
}
