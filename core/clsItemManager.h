#pragma once
// The item store: the local menu table kept in step with the server, and the
// item collections of every kind of menu.
#include "core/clsItem.h"
#include "core/clsItemManagerUpdate.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class DbfTable;
}

class clsItemManager {
public:
    // Opens gDataPath & "MenuItems.dat"; DatabaseIsLoaded tells whether it
    // worked.
    clsItemManager();
    ~clsItemManager(); // flushes and closes the table
    clsItemManager(const clsItemManager&) = delete;
    clsItemManager& operator=(const clsItemManager&) = delete;

    bool DatabaseIsLoaded() const;
    // The record with that id (deleted ones too), nullptr when there is none
    // or when it does not convert (reported).
    ItemPtr GetItem(int ID);
    // Whether the table holds a record with that id (read or not).
    bool HasItem(int ID);

    // Sorted contents of a category: advertisers by bid, the filler, a
    // separator, categories and items A to Z; "(empty)" when nothing.
    ItemCollectionPtr GetCollection(int ParentID);
    ItemCollectionPtr GetCollectionNoSort(int ParentID);
    ItemCollectionPtr GetMoreCollection(int ParentID);

    ItemCollectionPtr GetMyTarvelCollection();
    ItemCollectionPtr GetNewsCollection();
    ItemCollectionPtr GetFavoritesCollection();

    // nullptr when the server did not deliver the home menu (the user has
    // been told).
    ItemCollectionPtr GetHomeMenuCollection(int userId);
    ItemCollectionPtr GetHomeMenuShortcutCollection();
    void ClearHomeMenuCollection();
    ItemCollectionPtr GetSearchCollection(const QString& SearchString);

    void DownloadUpdates();

    // Why the table did not open ("" when it did).
    QString OpenError() const { return m_OpenError; }
    // Whether there is a table to read: false when it did not open, or was
    // replaced by a file that does not read (the user has been told once).
    bool TableOpen() const { return m_Data != nullptr; }

private:
    using Fields = ItemUpdate::MenuFields;
    ItemPtr SeekItem(int ID, const QString& location);
    // False when there is no table, or it was changed by another program
    // into one that no longer reads (reported once; the table is dropped).
    bool TableReady(const QString& location);
    // Builds the record's item; nullptr (and *problem says why) when a
    // field does not convert.
    ItemPtr ReadRecord(int record, QString* problem) const;
    // The same into an item the caller holds; false (with the problem) when
    // a number does not read.
    bool ReadRecordInto(int record, clsItem* item, QString* problem) const;
    // The category query: every record of the category that reads, in
    // physical order, headings numbered kInertId - n by their place n.
    std::vector<ItemPtr> RawCollection(int ParentID, const QString& location);
    // What RawCollection reads of the records a query found, without
    // reporting: it may run off the interface thread.
    struct RowsRead {
        std::vector<ItemPtr> rows;
        QString firstProblem;
        int problems = 0;
    };
    RowsRead ReadRows(const std::vector<uint32_t>& records) const;
    static void ReportProblems(const RowsRead& read, int ParentID, const QString& location);
    // A category of this many records or more is read and sorted off the
    // interface thread, which goes on repainting meanwhile.
    static constexpr size_t kRowsReadAside = 10000;

    std::unique_ptr<platform::DbfTable> m_Data;
    Fields m_Fields;
    QString m_OpenError;
    ItemCollectionPtr m_HomeMenu;
    ItemCollectionPtr m_More;
    std::vector<uint32_t> m_Query; // reused buffer of the category query
    bool m_HotBuyPending = false;  // a new hot buy appended, not yet in the file
};
