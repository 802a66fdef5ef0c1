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
    int ID = 0;   // negative: built-in command or placeholder; -1 a separator
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
