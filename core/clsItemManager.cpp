#include "core/clsItemManager.h"

#include "core/ItemIds.h"
#include "core/ItemSort.h"
#include "core/modGlobals.h"
#include "platform/Dbf.h"
#include "platform/Latin1Text.h"
#include "platform/RequestWait.h"

#include <condition_variable>
#include <functional>
#include <mutex>

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

// Runs `work` on the server-link worker while this thread waits as it does
// for a request: windows repaint, input is dropped, timers and the program's
// deferred work wait, so nothing on this thread reads or changes the table
// meanwhile. A category of 50,000 rows took the interface thread for over
// half a second on a loaded machine, with no repaint. A wait that ends early
// (a window that showed it went) still leaves the work done before the
// table is touched again.
void ReadAside(const std::function<void()>& work) {
    struct Done {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
    };
    auto state = std::make_shared<Done>();
    const platform::HttpResponse r =
        platform::FetchWaiting(platform::HttpRequest(), {}, platform::WaitTimers::Hold,
                               [&work, state](const platform::HttpRequest&,
                                              const std::atomic<bool>*, std::atomic<qint64>*) {
                                   work();
                                   {
                                       const std::lock_guard<std::mutex> lock(state->mutex);
                                       state->done = true;
                                   }
                                   state->finished.notify_all();
                                   platform::HttpResponse read;
                                   read.status = 200;
                                   return read;
                               });
    if (r.status == 200)
        return;
    if (r.error == platform::kInetTimeout) { // the action's time was spent: never started
        work();
        return;
    }
    std::unique_lock<std::mutex> lock(state->mutex);
    state->finished.wait(lock, [&] { return state->done; });
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

clsItemManager::RowsRead clsItemManager::ReadRows(const std::vector<uint32_t>& records) const {
    RowsRead read;
    read.rows.reserve(records.size());
    // The rows live in one block that each of them shares: a category of
    // 50,000 rows is read without 50,000 separate allocations, which made
    // most of its time on a loaded machine. The block goes with its last row.
    const auto block = std::make_shared<std::vector<clsItem>>(records.size());
    size_t used = 0;
    int heading = kInertId;
    for (const uint32_t record : records) {
        const int r = static_cast<int>(record);
        if (!m_Data->IsDeleted(r)) {
            QString problem;
            clsItem* item = &(*block)[used];
            if (ReadRecordInto(r, item, &problem)) {
                if (item->ID == kInertId)
                    item->ID = heading;
                read.rows.emplace_back(block, item);
                ++used;
            } else {
                *item = clsItem(); // its slot is taken by the next row
                if (read.problems++ == 0)
                    read.firstProblem = problem;
            }
        }
        --heading; // deleted records take their number too
    }
    return read;
}

void clsItemManager::ReportProblems(const RowsRead& read, int ParentID, const QString& location) {
    if (read.problems == 0)
        return;
    // One report for the whole menu; the rows that read are shown.
    QString text = QStringLiteral("Type mismatch: ") + read.firstProblem;
    if (read.problems > 1)
        text += QStringLiteral(" (and %1 more records of category %2)")
                    .arg(read.problems - 1)
                    .arg(ParentID);
    modGlobals::ShowError(text, kTypeMismatch, location);
}

std::vector<ItemPtr> clsItemManager::RawCollection(int ParentID, const QString& location) {
    if (!TableReady(location))
        return {};
    m_Data->Query(m_Fields.ParentID, ParentID, m_Query);
    RowsRead read = ReadRows(m_Query);
    ReportProblems(read, ParentID, location);
    return std::move(read.rows);
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
    const QString location = QStringLiteral("clsItemManager.GetCollection");
    ItemCollectionPtr result;
    if (TableReady(location)) {
        m_Data->Query(m_Fields.ParentID, ParentID, m_Query);
        RowsRead read;
        const auto readAndSort = [&] {
            read = ReadRows(m_Query);
            result = ItemSort::SortItems(read.rows, ParentID);
        };
        if (m_Query.size() >= kRowsReadAside)
            ReadAside(readAndSort);
        else
            readAndSort();
        ReportProblems(read, ParentID, location);
    } else {
        result = ItemSort::SortItems({}, ParentID);
    }
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
