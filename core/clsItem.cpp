#include "core/clsItem.h"

ItemPtr ItemCollection::Item(int position) const {
    if (position < 1 || position > Count())
        return nullptr;
    return entries_[static_cast<size_t>(position - 1)].item;
}

ItemPtr ItemCollection::ItemByKey(const QString& key) const {
    const auto it = keys_.constFind(key);
    return it == keys_.cend() ? nullptr : entries_[*it].item;
}

bool ItemCollection::Add(ItemPtr item, const QString& key) {
    if (!key.isEmpty() && ContainsKey(key))
        return false;
    if (!key.isEmpty())
        keys_.insert(key, entries_.size());
    entries_.push_back({std::move(item), key});
    return true;
}

void ItemCollection::Remove(int position) {
    if (position < 1 || position > Count())
        return;
    entries_.erase(entries_.begin() + (position - 1));
    keys_.clear();
    for (size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].key.isEmpty())
            keys_.insert(entries_[i].key, i);
}

ItemPtr clsItems::Add(const QString& sKey) {
    auto item = std::make_shared<clsItem>();
    return m_col.Add(item, sKey) ? item : nullptr;
}

bool clsItems::Remove(int index) {
    if (!m_col.Item(index))
        return false;
    m_col.Remove(index);
    return true;
}

bool clsItems::Remove(const QString& key) {
    const auto& entries = m_col.Entries();
    for (size_t i = 0; !key.isEmpty() && i < entries.size(); ++i) {
        if (entries[i].key == key) {
            m_col.Remove(static_cast<int>(i) + 1);
            return true;
        }
    }
    return false;
}
