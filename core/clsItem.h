#pragma once
// One row of any menu, and the ordered collections of rows that the item
// store builds and the menu windows read.
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class clsItem {
public:
    QString Name;
    int ID = 0;   // negative: a reserved id of core/ItemIds.h
    QString Icon; // image-list key, or an image file name when it holds "."
    QString Description;
    bool IsItem = false; // leaf; false for a category
    int ParentID = 0;
    bool IsAboveLine = false; // advertiser block above the separator
    bool IsRestricted = false;
    QString Form; // form-definition file name, "" for ordinary items
    float Bid = 0;
    int NewsID = 0;
    QString URL;
};

using ItemPtr = std::shared_ptr<clsItem>;

// The key a keyed collection files a row under: "K" & ID.
inline QString ItemKey(int id) {
    return QStringLiteral("K") + QString::number(id);
}

// Ordered collection of item references read by position, row 1 first. Some
// producers key their entries "K" & ID; keys are unique when given.
class ItemCollection {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    bool IsEmpty() const { return entries_.empty(); }
    // 1-based position; nullptr when out of range.
    ItemPtr Item(int position) const;
    // The entry with this key ("K" & ID), nullptr when absent.
    ItemPtr ItemByKey(const QString& key) const;
    bool ContainsKey(const QString& key) const { return ItemByKey(key) != nullptr; }
    // Adds at the end; returns false (and adds nothing) for a duplicate key.
    bool Add(ItemPtr item, const QString& key = QString());
    void Remove(int position);
    void Clear() {
        entries_.clear();
        keys_.clear();
    }

    struct Entry {
        ItemPtr item;
        QString key;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    QHash<QString, size_t> keys_; // key -> index into entries_
};

using ItemCollectionPtr = std::shared_ptr<ItemCollection>;

// The keyed collection class of the design, kept for completeness: nothing in
// the program uses it (every store operation returns an ItemCollection).
class clsItems {
public:
    // A new record appended under sKey, or without key when sKey is empty;
    // nullptr (and nothing added) when the key is taken already.
    ItemPtr Add(const QString& sKey = QString());
    // The entry at that 1-based position or under that key; nullptr when
    // there is none (no error).
    ItemPtr Item(int index) const { return m_col.Item(index); }
    ItemPtr Item(const QString& key) const { return m_col.ItemByKey(key); }
    int Count() const { return m_col.Count(); }
    // False when there is no such entry, which was an error in the design.
    bool Remove(int index);
    bool Remove(const QString& key);
    // The entries in order (NewEnum).
    auto begin() const { return m_col.Entries().begin(); }
    auto end() const { return m_col.Entries().end(); }

private:
    ItemCollection m_col;
};
