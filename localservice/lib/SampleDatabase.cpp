#include "localservice/lib/SampleDatabase.h"

#include <QStringList>

#include <algorithm>

namespace localservice {

std::vector<platform::DbfFieldDef> MenuTableFields() {
    return {{"ID", 'N', 10, 0},        {"ParentID", 'N', 10, 0},  {"Name", 'C', 80, 0},
            {"Icon", 'C', 50, 0},      {"Descript", 'C', 254, 0}, {"IsItem", 'C', 1, 0},
            {"IsRestrict", 'C', 1, 0}, {"Form", 'C', 50, 0},      {"Bid", 'N', 10, 2},
            {"AdURL", 'C', 254, 0}};
}

bool WriteMenuTable(const QString& filePath, const std::vector<SampleRecord>& records,
                    QString* error) {
    return WriteMenuTable(
        filePath, static_cast<int>(records.size()),
        [&records](int i) { return records[static_cast<size_t>(i)]; }, error);
}

bool WriteMenuTable(const QString& filePath, int count,
                    const std::function<SampleRecord(int)>& record, QString* error) {
    if (!platform::DbfTable::Create(filePath, MenuTableFields(), error))
        return false;
    auto t = platform::DbfTable::Open(filePath, error);
    if (!t)
        return false;
    for (int i = 0; i < count; ++i) {
        const SampleRecord r = record(i);
        const int n = t->AppendBlank();
        t->AssignString(n, 0, QString::number(r.id));
        t->AssignString(n, 1, QString::number(r.parentId));
        t->AssignString(n, 2, r.name);
        t->AssignString(n, 3, r.icon);
        t->AssignString(n, 4, r.description);
        t->Assign(n, 5, r.isItem ? "T" : "F");
        t->Assign(n, 6, r.isRestricted ? "T" : "F");
        t->AssignString(n, 7, r.form);
        t->AssignString(n, 8, r.bid);
        t->AssignString(n, 9, r.adUrl);
    }
    return t->Flush(error);
}

namespace {

struct Top {
    int id;
    const char* name;
    const char* icon;
    QStringList subs;
};

// Site-name parts combined into the items of a subcategory.
const QStringList kBrands = {"Acme",       "Blue Sky",  "Summit",      "Harbor",
                             "Northwind",  "Red Rock",  "Evergreen",   "Lakeside",
                             "Silverline", "Brightway", "Cornerstone", "Pioneer"};
const QStringList kSuffixes = {"Online", "Central", "Guide",   "Network", "Hub",
                               "Direct", "Today",   "Express", "Source",  "World"};

std::vector<SampleRecord> Build() {
    std::vector<SampleRecord> out;
    auto add = [&](int id, int parent, const QString& name, const QString& icon,
                   const QString& description, bool isItem) -> SampleRecord& {
        SampleRecord r;
        r.id = id;
        r.parentId = parent;
        r.name = name;
        r.icon = icon;
        r.description = description;
        r.isItem = isItem;
        out.push_back(r);
        return out.back();
    };
    add(1, 0, QStringLiteral("Tarvel"), QStringLiteral("FolderIcon"),
        QStringLiteral("The whole directory"), false);
    add(3, 1, QStringLiteral("Hot Buys"), QStringLiteral("hotbuy.gif"),
        QStringLiteral("This week's best offers"), false);
    add(109, 1, QStringLiteral("My Tarvel"), QStringLiteral("MyTarvel"),
        QStringLiteral("Your account, options and help"), false);
    add(27345, 1, QStringLiteral("News"), QStringLiteral("News"),
        QStringLiteral("Headlines of your news feeds"), false);
    add(31504, 1, QStringLiteral("Favorites"), QStringLiteral("Favorites"),
        QStringLiteral("Your browser favorites"), false);

    const std::vector<Top> tops = {
        {10,
         "Arts & Entertainment",
         "arts.gif",
         {"Movies", "Music", "Television", "Books", "Museums", "Comics"}},
        {11,
         "Business & Finance",
         "money.png",
         {"Banking", "Investing", "Jobs", "Small Business", "Real Estate", "Insurance"}},
        {12,
         "Computers & Internet",
         "Computer",
         {"Software", "Hardware", "Web Design", "Security", "Games", "Downloads"}},
        {13,
         "Education",
         "education.gif",
         {"Colleges", "Online Courses", "Languages", "Homework Help", "Libraries"}},
        {14,
         "Health",
         "health.gif",
         {"Fitness", "Nutrition", "Medicine", "Mental Health", "Pharmacies"}},
        {15,
         "Home & Garden",
         "home.png",
         {"Gardening", "Cooking", "Decorating", "Repairs", "Pets"}},
        {16, "News & Media", "NewsIcon", {"Newspapers", "Magazines", "Radio", "Weather"}},
        {17,
         "Shopping",
         "shopping.gif",
         {"Clothing", "Electronics", "Toys", "Gifts", "Auctions", "Books & Music"}},
        {18,
         "Sports",
         "sports.gif",
         {"Baseball", "Basketball", "Football", "Soccer", "Golf", "Outdoors"}},
        {19,
         "Travel",
         "travel.png",
         {"Airlines", "Hotels", "Car Rental", "Destinations", "Cruises"}},
        {20,
         "Reference",
         "reference.gif",
         {"Dictionaries", "Maps", "Encyclopedias", "Phone Books"}},
        {21, "Adult", "FolderIcon", {"Chat", "Dating"}},
    };
    int subId = 200;
    int itemId = 1000;
    for (const Top& top : tops) {
        SampleRecord& t =
            add(top.id, 1, QString::fromUtf8(top.name), QString::fromLatin1(top.icon),
                QStringLiteral("Sites about ") + QString::fromUtf8(top.name).toLower(), false);
        t.isRestricted = top.id == 21;
        for (int s = 0; s < top.subs.size(); ++s) {
            const QString sub = top.subs.at(s);
            const int sid = subId++;
            SampleRecord& c =
                add(sid, top.id, sub, QString(), sub + QStringLiteral(" sites, reviewed"), false);
            c.isRestricted = top.id == 21;
            const int count = 6 + (sid * 7) % 9; // 6 to 14 items
            for (int i = 0; i < count; ++i) {
                const QString brand = kBrands.at((sid + i * 5) % kBrands.size());
                const QString suffix = kSuffixes.at((sid * 3 + i) % kSuffixes.size());
                const QString name = brand + QLatin1Char(' ') + sub + QLatin1Char(' ') + suffix;
                SampleRecord& r = add(itemId, sid, name,
                                      i % 4 == 0 ? QStringLiteral("Item")
                                                 : QStringLiteral("site%1.gif").arg(i % 5),
                                      QStringLiteral("%1, by %2").arg(sub, brand), true);
                // Every third item of a category bids for a place on top.
                if (i % 3 == 1)
                    r.bid = QString::number(0.25 * ((itemId % 40) + 1), 'f', 2);
                if (!r.bid.isEmpty())
                    r.adUrl = QStringLiteral("http://www.example.com/ads/%1").arg(itemId);
                ++itemId;
            }
            if (s == 0) {
                // A heading and a nested subcategory in the first one.
                add(itemId++, sid, QStringLiteral(".Editor's Picks"), QString(), QString(), true);
                // Three levels below the home menu, and a fourth.
                const int more = subId++;
                add(more, sid, QStringLiteral("More ") + sub, QString(),
                    QStringLiteral("Further ") + sub.toLower() + QStringLiteral(" sites"), false);
                for (int i = 0; i < 5; ++i)
                    add(itemId++, more,
                        kBrands.at((more + i) % kBrands.size()) + QLatin1Char(' ') + sub +
                            QStringLiteral(" Corner"),
                        QStringLiteral("Item"),
                        QStringLiteral("Small %1 sites & fan pages").arg(sub.toLower()), true);
                const int deeper = subId++;
                add(deeper, more, QStringLiteral("Classic ") + sub, QString(),
                    QStringLiteral("Older ") + sub.toLower() + QStringLiteral(" sites"), false);
                for (int i = 0; i < 3; ++i)
                    add(itemId++, deeper, QStringLiteral("Classic %1 %2").arg(sub, kSuffixes.at(i)),
                        QStringLiteral("LinkIcon"), QStringLiteral("From the archive"), true);
            }
        }
        add(itemId++, top.id, QStringLiteral(".Top Sites"), QString(), QString(), false);
    }
    // Form categories: drawn input panels instead of submenus.
    SampleRecord& quote = add(60, 11, QStringLiteral("Stock Quote"), QStringLiteral("quote.gif"),
                              QStringLiteral("Look up a share price"), false);
    quote.form = QStringLiteral("quote.frm");
    SampleRecord& weather =
        add(61, 16, QStringLiteral("Weather Forecast"), QStringLiteral("weather.png"),
            QStringLiteral("The forecast for your town"), false);
    weather.form = QStringLiteral("weather.frm");
    // A category longer than the screen: its submenu scrolls.
    add(70, 20, QStringLiteral("Web Directory A-Z"), QString(),
        QStringLiteral("Every site of the directory, A to Z"), false);
    for (int i = 0; i < 60; ++i) {
        const QString brand = kBrands.at(i % kBrands.size());
        const QString suffix = kSuffixes.at((i / kBrands.size()) % kSuffixes.size());
        add(itemId++, 70, brand + QLatin1Char(' ') + suffix, QStringLiteral("Item"),
            QStringLiteral("%1 %2 on the web").arg(brand, suffix), true);
    }
    // One on the home menu itself, with pictures.
    SampleRecord& track =
        add(62, 1, QStringLiteral("Package Tracking"), QStringLiteral("track.png"),
            QStringLiteral("Where is my parcel?"), false);
    track.form = QStringLiteral("track.frm");
    // Hot buys: every row an advertiser, so the menu is all bids.
    const QStringList hot = {"Laptop Deals", "Cheap Flights", "Phone Plans", "Concert Tickets",
                             "Kitchen Sale", "Garden Tools",  "Book Club",   "Game Console Bundle"};
    for (int i = 0; i < hot.size(); ++i) {
        SampleRecord& r = add(900 + i, 3, hot.at(i), QStringLiteral("hotbuy.gif"),
                              hot.at(i) + QStringLiteral(" at the lowest price"), true);
        r.bid = QString::number(1.5 + i * 0.75, 'f', 2);
        r.adUrl = QStringLiteral("http://www.example.com/hot/%1").arg(900 + i);
    }
    return out;
}

} // namespace

const std::vector<SampleRecord>& SampleDirectory() {
    static const std::vector<SampleRecord> records = Build();
    return records;
}

std::vector<int> SampleTopCategories() {
    return {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 62};
}

namespace {
LargeCategoryShape g_shape;
}

void SetLargeCategoryShape(const LargeCategoryShape& shape) {
    g_shape = shape;
    g_shape.rows = std::max(5, shape.rows);
}

const LargeCategoryShape& LargeCategoryShapeInUse() {
    return g_shape;
}

int LargeDirectorySize(int records) {
    return std::max(records, static_cast<int>(SampleDirectory().size()) + g_shape.rows + 1);
}

SampleRecord LargeDirectoryRecord(int index, int records) {
    const std::vector<SampleRecord>& sample = SampleDirectory();
    const int own = static_cast<int>(sample.size());
    if (index < own)
        return sample[static_cast<size_t>(index)];
    if (index == own) {
        SampleRecord c;
        c.id = kLargeCategory;
        c.parentId = 1;
        c.name = QStringLiteral("Site Directory");
        c.icon = QStringLiteral("FolderIcon");
        c.description = QStringLiteral("Every site of the directory by number");
        return c;
    }
    // Filler site i of n; the large category's rows in the middle, every
    // fifth of them a category holding runs of 250 of the other rows.
    const int n = LargeDirectorySize(records) - own - 1;
    const int i = index - own - 1;
    const int rows = g_shape.rows;
    const int first = (n - rows) / 2;
    SampleRecord r;
    r.id = 100000 + i;
    if (i >= first && i < first + rows)
        r.parentId = kLargeCategory;
    else
        r.parentId = 100000 + first + 5 * ((i / 250) % (rows / 5));
    r.name = QStringLiteral("Site number %1 of the directory").arg(r.id);
    // Sites only, each with its own icon, when they are to be counted so.
    r.isItem = (i - first) % 5 != 0 || (g_shape.ownIcons && r.parentId == kLargeCategory);
    if (!r.isItem)
        r.icon = QStringLiteral("FolderIcon");
    else if (g_shape.ownIcons)
        r.icon = QStringLiteral("row%1.gif").arg(r.id);
    else
        r.icon = QStringLiteral("site%1.gif").arg(i % 5);
    r.description =
        QStringLiteral("A description of site %1, with a few words about what it offers").arg(r.id);
    if (r.isItem && i % 6 == 0) {
        r.bid = QString::number(0.25 * ((i % 40) + 1), 'f', 2);
        r.adUrl = QStringLiteral("http://advertiser%1.example/").arg(i % 97);
    }
    return r;
}

bool CreateSampleDatabase(const QString& filePath, int records) {
    if (records <= 0)
        return WriteMenuTable(filePath, SampleDirectory());
    return WriteMenuTable(filePath, LargeDirectorySize(records),
                          [records](int i) { return LargeDirectoryRecord(i, records); });
}

} // namespace localservice
