#pragma once
// The sample menu directory: the records of MenuItems.dat as the service
// ships them, and the table written from them with the dBASE engine.
#include "platform/Dbf.h"

#include <QString>

#include <functional>
#include <vector>

namespace localservice {

struct SampleRecord {
    int id = 0;
    int parentId = 0;
    QString name; // "." in front marks a heading
    QString icon;
    QString description;
    bool isItem = false;
    bool isRestricted = false;
    QString form;
    QString bid; // "" or a decimal such as "2.50"
    QString adUrl;
};

// Field layout of MenuItems.dat: ID N10, ParentID N10, Name C80, Icon C50,
// Descript C254, IsItem C1, IsRestrict C1, Form C50, Bid N10.2, AdURL C254.
std::vector<platform::DbfFieldDef> MenuTableFields();

// Writes a menu table holding these records (replacing the file).
bool WriteMenuTable(const QString& filePath, const std::vector<SampleRecord>& records,
                    QString* error = nullptr);
// The same with the records made one at a time (record(0) to record(count - 1)),
// for tables too large to hold as records first.
bool WriteMenuTable(const QString& filePath, int count,
                    const std::function<SampleRecord(int)>& record, QString* error = nullptr);

// The sample directory: a root (1) with a dozen top categories, sub-
// categories with items, advertisers with bids, headings, a restricted
// category (21), the hot-buy category (3), form categories ("quote.frm" and
// "weather.frm" in subcategories, "track.frm" with pictures among the top
// categories) and the built-in categories 109, 27345 and 31504.
const std::vector<SampleRecord>& SampleDirectory();
// Ids of the top categories, in home-menu order.
std::vector<int> SampleTopCategories();

// The sample directory grown to a real directory's size, for measuring the
// programs with a large table: the sample's records first, then filler sites
// up to `records` records in all. The filler holds one category of exactly
// kLargeCategoryRows rows (or as set), kLargeCategory, filed in the middle of the table and
// a shortcut of the default home menu (see SampleShortcuts), whose category
// rows hold the rest of the filler. Record numbers run from 0 to
// LargeDirectorySize(records) - 1.
constexpr int kLargeCategory = 80;
constexpr int kLargeCategoryRows = 500;
// The large category's rows and icons for the whole process (the service
// and the table it writes must agree): by default kLargeCategoryRows rows
// sharing five icons; for the figures of a very large category, thousands
// of rows, each site with an icon of its own ("row<id>.gif", which the
// service draws when asked).
struct LargeCategoryShape {
    int rows = kLargeCategoryRows;
    bool ownIcons = false;
};
void SetLargeCategoryShape(const LargeCategoryShape& shape);
const LargeCategoryShape& LargeCategoryShapeInUse();
int LargeDirectorySize(int records);
SampleRecord LargeDirectoryRecord(int index, int records);

// Writes the sample MenuItems.dat; with records above 0, the grown directory
// of that many records (at least the sample and the large category).
bool CreateSampleDatabase(const QString& filePath, int records = 0);

} // namespace localservice
