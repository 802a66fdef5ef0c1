#include "support/MenuRows.h"

#include <memory>

namespace testsupport {

ItemPtr Row(int id, const QString& name, bool isItem, const QString& icon, const QString& form) {
    auto item = std::make_shared<clsItem>();
    item->ID = id;
    item->Name = name;
    item->IsItem = isItem;
    item->Icon = icon;
    item->Form = form;
    item->ParentID = 1;
    return item;
}

ItemPtr Row(int id, const QString& name, bool isItem) {
    const QString icon = id == -1 ? QString()
                         : isItem ? QStringLiteral("Item")
                                  : QStringLiteral("FolderIcon");
    return Row(id, name, isItem, icon);
}

ItemCollectionPtr Rows(std::initializer_list<ItemPtr> rows) {
    auto c = std::make_shared<ItemCollection>();
    for (const ItemPtr& r : rows)
        c->Add(r);
    return c;
}

} // namespace testsupport
