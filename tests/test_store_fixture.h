#pragma once
// A world for the item store tests: the test world of the support library, a
// local service for the store's pages, a recorder of error reports and
// helpers that write menu tables.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "platform/Dbf.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>

#include <sys/resource.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace storetest {

struct ErrorCall {
    QString msg;
    int number = 0;
    QString location;
};

inline localservice::SampleRecord Rec(int id, int parent, const QString& name, bool isItem = true,
                                      const QString& bid = QString()) {
    localservice::SampleRecord r;
    r.id = id;
    r.parentId = parent;
    r.name = name;
    r.isItem = isItem;
    r.bid = bid;
    return r;
}

// Names of the rows of a collection, in order ("-" for a separator).
inline QStringList Names(const ItemCollectionPtr& c) {
    QStringList out;
    if (!c)
        return out;
    for (int i = 1; i <= c->Count(); ++i)
        out << (c->Item(i)->ID == -1 ? QStringLiteral("-") : c->Item(i)->Name);
    return out;
}

inline QList<int> Ids(const ItemCollectionPtr& c) {
    QList<int> out;
    for (int i = 1; c && i <= c->Count(); ++i)
        out << c->Item(i)->ID;
    return out;
}

// Lets writes beyond `limit` bytes fail (EFBIG) instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        old_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lower = saved_;
        lower.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*old_)(int) = nullptr;
};

class StoreTest : public ::testing::Test {
protected:
    StoreTest() {
        EXPECT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        modGlobals::gVersion = QStringLiteral("1.0.3");
        modGlobals::gUserID = 1234;
        modInternet::SetASPDataTimeoutMs(5000);
        dialogs.showError = [this](const QString& msg, int number, const QString& location) {
            errors.append({msg, number, location});
        };
    }
    ~StoreTest() override {
        dialogs.showError = nullptr;
        store.reset();
        service.Stop();
    }
    QString TablePath() const { return world.dataPath() + QStringLiteral("MenuItems.dat"); }
    void WriteTable(const std::vector<localservice::SampleRecord>& records) {
        QString error;
        ASSERT_TRUE(localservice::WriteMenuTable(TablePath(), records, &error))
            << error.toStdString();
    }
    // The raw text of a field of the record with that id, read back from the
    // file by a fresh engine; whether that record is deleted there.
    QString Raw(int id, const char* field) {
        auto t = platform::DbfTable::Open(TablePath());
        t->CreateTag("ID_TAG", t->FieldIndex("ID"));
        const int r = t->Seek("ID_TAG", id);
        return r < 0 ? QStringLiteral("(absent)") : t->FieldString(r, t->FieldIndex(field));
    }
    bool RawDeleted(int id) {
        auto t = platform::DbfTable::Open(TablePath());
        t->CreateTag("ID_TAG", t->FieldIndex("ID"));
        return t->IsDeleted(t->Seek("ID_TAG", id));
    }
    clsItemManager& Open() {
        store = std::make_unique<clsItemManager>();
        return *store;
    }
    QString Page(const char* name) const {
        return QStringLiteral("/Vantrix/internal/") + QLatin1String(name);
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
    QList<ErrorCall> errors;
    std::unique_ptr<clsItemManager> store;
    testsupport::ScriptedDialogs dialogs;
};

} // namespace storetest
