#pragma once
// The sample menu directory: the records of MenuItems.dat as the service
// ships them, and the table written from them with the dBASE engine.
#include "platform/Dbf.h"

#include <QString>

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

// The sample directory: a root (1) with a dozen top categories, sub-
// categories with items, advertisers with bids, headings, a restricted
// category (21), the hot-buy category (3), form categories ("quote.frm" and
// "weather.frm" in subcategories, "track.frm" with pictures among the top
// categories) and the built-in categories 109, 27345 and 31504.
const std::vector<SampleRecord>& SampleDirectory();
// Ids of the top categories, in home-menu order.
std::vector<int> SampleTopCategories();

// Writes the sample MenuItems.dat.
bool CreateSampleDatabase(const QString& filePath);

} // namespace localservice
