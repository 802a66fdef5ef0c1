#include "core/clsItemManager.h"

#include "core/ItemIds.h"
#include "core/ItemSort.h"
#include "core/modGlobals.h"
#include "platform/Dbf.h"
#include "platform/Latin1Text.h"

namespace modGlobals {

std::unique_ptr<clsItemManager> gItemManager;

clsItemManager& ItemManager() {
    if (!gItemManager)
        gItemManager = std::make_unique<clsItemManager>();
    return *gItemManager;
}

} // namespace modGlobals

namespace {

const QByteArray kIdTag = QByteArrayLiteral("ID_TAG");
const QByteArray kParentTag = QByteArrayLiteral("PARENT_TAG");
constexpr int kTypeMismatch = 13; // the runtime's number for a failed conversion

// The field's bytes without the blanks around them, as text: the service's
// code page, like everything else it sends.
QString Trimmed(QByteArrayView bytes) {
    qsizetype a = 0, b = bytes.size();
    while (a < b && bytes[a] == ' ')
        ++a;
    while (b > a && bytes[b - 1] == ' ')
        --b;
    return platform::DecodeAnsi(bytes.sliced(a, b - a));
}

// A bid as the table holds it: blank for none, else a non-negative decimal.
bool ParseBid(QByteArrayView bytes, float* bid) {
    const QByteArrayView t = bytes.trimmed();
    if (t.isEmpty()) {
        *bid = 0;
        return true;
    }
    bool dot = false, digit = false;
    for (const char c : t) {
        if (c == '.' && !dot)
            dot = true;
        else if (c >= '0' && c <= '9')
            digit = true;
        else
            return false;
    }
    if (!digit)
        return false;
    bool ok = false;
    *bid = t.toByteArray().toFloat(&ok);
    return ok;
}

} // namespace

clsItemManager::clsItemManager() {
    const QString path = modGlobals::gDataPath + QStringLiteral("MenuItems.dat");
    QString error;
    auto table = platform::DbfTable::Open(path, &error);
    if (!table) {
        m_OpenError = error;
        return;
    }
    const Fields f = Fields::Of(*table);
    const std::pair<int, const char*> required[] = {{f.ID, "ID"},
                                                    {f.ParentID, "ParentID"},
                                                    {f.Name, "Name"},
                                                    {f.Icon, "Icon"},
                                                    {f.Descript, "Descript"},
                                                    {f.IsItem, "IsItem"},
                                                    {f.IsRestrict, "IsRestrict"},
                                                    {f.Form, "Form"},
                                                    {f.Bid, "Bid"}};
    for (const auto& [index, name] : required) {
        if (index < 0) {
            m_OpenError = path + QStringLiteral(" has no field ") + QLatin1String(name);
            return;
        }
    }
    table->CreateTags({{kIdTag, f.ID}, {kParentTag, f.ParentID}});
    m_Data = std::move(table);
    m_Fields = f;
}

clsItemManager::~clsItemManager() {
    if (m_Data) {
        QString error;
        if (!m_Data->Flush(&error))
            qWarning("MenuItems.dat: %s", qPrintable(error));
        else if (m_HotBuyPending)
            modGlobals::SaveSetting(QStringLiteral("Main"), QStringLiteral("NewHotBuy"),
                                    QStringLiteral("Yes"));
    }
}

bool clsItemManager::DatabaseIsLoaded() const {
    return m_Data != nullptr;
}

ItemPtr clsItemManager::ReadRecord(int record, QString* problem) const {
    auto item = std::make_shared<clsItem>();
    return ReadRecordInto(record, item.get(), problem) ? item : nullptr;
}

bool clsItemManager::ReadRecordInto(int record, clsItem* item, QString* problem) const {
    const platform::DbfTable& t = *m_Data;
    const Fields& f = m_Fields;
    int32_t id = 0;
    if (!platform::DbfTable::ParseInt(t.FieldBytes(record, f.ID), &id)) {
        *problem = QStringLiteral("record %1 of MenuItems.dat has the ID \"%2\"")
                       .arg(record + 1)
                       .arg(Trimmed(t.FieldBytes(record, f.ID)));
        return false;
    }
    item->ID = id;
    item->Name = Trimmed(t.FieldBytes(record, f.Name));
    if (item->Name.startsWith(QLatin1Char('.'))) {
        item->ID = kInertId; // a heading
        item->Name.remove(0, 1);
    }
    item->Icon = Trimmed(t.FieldBytes(record, f.Icon));
    item->IsItem = t.FieldBytes(record, f.IsItem) == QByteArrayView("T");
    item->Description = Trimmed(t.FieldBytes(record, f.Descript));
    int32_t parent = 0;
    if (!platform::DbfTable::ParseInt(t.FieldBytes(record, f.ParentID), &parent)) {
        *problem = QStringLiteral("record %1 of MenuItems.dat has the ParentID \"%2\"")
                       .arg(record + 1)
                       .arg(Trimmed(t.FieldBytes(record, f.ParentID)));
        return false;
    }
    item->ParentID = parent;
    item->IsRestricted = t.FieldBytes(record, f.IsRestrict) == QByteArrayView("T");
    item->Form = Trimmed(t.FieldBytes(record, f.Form));
    if (!ParseBid(t.FieldBytes(record, f.Bid), &item->Bid)) {
        *problem = QStringLiteral("record %1 of MenuItems.dat has the Bid \"%2\"")
                       .arg(record + 1)
                       .arg(Trimmed(t.FieldBytes(record, f.Bid)));
        return false;
    }
    item->IsAboveLine = item->Bid > 0;
    return true;
}

ItemPtr clsItemManager::SeekItem(int ID, const QString& location) {
    if (!TableReady(location))
        return nullptr;
    const int record = m_Data->Seek(kIdTag, ID);
    if (record < 0)
        return nullptr;
    QString problem;
    ItemPtr item = ReadRecord(record, &problem);
    if (!item)
        modGlobals::ShowError(QStringLiteral("Type mismatch: ") + problem, kTypeMismatch, location);
    return item;
}

ItemPtr clsItemManager::GetItem(int ID) {
    return SeekItem(ID, QStringLiteral("clsItemManager.GetItem"));
}

bool clsItemManager::HasItem(int ID) {
    return TableReady(QStringLiteral("clsItemManager.HasItem")) && m_Data->Seek(kIdTag, ID) >= 0;
}

std::vector<ItemPtr> clsItemManager::RawCollection(int ParentID, const QString& location) {
    std::vector<ItemPtr> rows;
    if (!TableReady(location))
        return rows;
    m_Data->Query(m_Fields.ParentID, ParentID, m_Query);
    rows.reserve(m_Query.size());
    // The rows live in one block that each of them shares: a category of
    // 50,000 rows is read without 50,000 separate allocations, which made
    // most of its time on a loaded machine. The block goes with its last row.
    const auto block = std::make_shared<std::vector<clsItem>>(m_Query.size());
    size_t used = 0;
    int heading = kInertId;
    QString firstProblem;
    int problems = 0;
    for (const uint32_t record : m_Query) {
        const int r = static_cast<int>(record);
        if (!m_Data->IsDeleted(r)) {
            QString problem;
            clsItem* item = &(*block)[used];
            if (ReadRecordInto(r, item, &problem)) {
                if (item->ID == kInertId)
                    item->ID = heading;
                rows.emplace_back(block, item);
                ++used;
            } else {
                *item = clsItem(); // its slot is taken by the next row
                if (problems++ == 0)
                    firstProblem = problem;
            }
        }
        --heading; // deleted records take their number too
    }
    if (problems > 0) {
        // One report for the whole menu; the rows that read are shown.
        QString text = QStringLiteral("Type mismatch: ") + firstProblem;
        if (problems > 1)
            text += QStringLiteral(" (and %1 more records of category %2)")
                        .arg(problems - 1)
                        .arg(ParentID);
        modGlobals::ShowError(text, kTypeMismatch, location);
    }
    return rows;
}

ItemCollectionPtr clsItemManager::GetCollection(int ParentID) {
    switch (ParentID) {
    case kMemberMenuCategoryId:
        return GetMyTarvelCollection();
    case kFavoritesCategoryId:
        return GetFavoritesCollection();
    case kNewsCategoryId:
        return GetNewsCollection();
    default:
        break;
    }
    ItemCollectionPtr result = ItemSort::SortItems(
        RawCollection(ParentID, QStringLiteral("clsItemManager.GetCollection")), ParentID);
    if (result->Count() == 0) {
        auto empty = std::make_shared<clsItem>();
        empty->ID = kInertId;
        empty->Name = QStringLiteral("(empty)");
        result->Add(empty);
    }
    return result;
}

ItemCollectionPtr clsItemManager::GetCollectionNoSort(int ParentID) {
    if (ParentID == kMemberMenuCategoryId)
        return GetMyTarvelCollection();
    auto result = std::make_shared<ItemCollection>();
    for (ItemPtr& row :
         RawCollection(ParentID, QStringLiteral("clsItemManager.GetCollectionNoSort"))) {
        const QString key = ItemKey(row->ID);
        result->Add(std::move(row), key); // a repeated id keeps its first row
    }
    return result;
}

ItemCollectionPtr clsItemManager::GetMoreCollection(int ParentID) {
    auto result = std::make_shared<ItemCollection>();
    if (!m_More)
        return result; // nothing fills it: the caller gets an empty menu
    int seen = 0;
    for (const auto& entry : m_More->Entries()) {
        if (entry.item && entry.item->ParentID == ParentID && ++seen > 7)
            result->Add(entry.item);
    }
    return result;
}

ItemCollectionPtr clsItemManager::GetMyTarvelCollection() {
    static const std::pair<int, const char*> rows[] = {{kReferFriendsId, "Refer my friends..."},
                                                       {kOptionsId, "Options..."},
                                                       {kSeparatorId, ""},
                                                       {kMemberHomeId, "Member Home..."},
                                                       {kNewUserId, "New User..."},
                                                       {kTechSupportId, "Technical Support..."},
                                                       {kContactUsId, "Contact Us..."},
                                                       {kAboutId, "About Tarvel..."}};
    auto result = std::make_shared<ItemCollection>();
    for (const auto& [id, name] : rows) {
        auto item = std::make_shared<clsItem>();
        item->ID = id;
        item->Name = QString::fromLatin1(name);
        item->IsItem = true;
        result->Add(item);
    }
    return result;
}

void clsItemManager::ClearHomeMenuCollection() {
    m_HomeMenu.reset();
}
