#pragma once
// Menu rows as the menu table gives them, for tests that hand a menu its rows
// without a table on disk.
#include "core/clsItem.h"

#include <QString>

#include <initializer_list>

namespace testsupport {

// A row under category 1: an item (`isItem`) or a category, showing the
// picture `icon` ("" for none) and, for a form row, opening `form`.
ItemPtr Row(int id, const QString& name, bool isItem, const QString& icon,
            const QString& form = QString());

// A row with the picture such a row usually shows: "Item" for an item,
// "FolderIcon" for a category, none for a divider (id -1).
ItemPtr Row(int id, const QString& name, bool isItem);

// The rows in this order.
ItemCollectionPtr Rows(std::initializer_list<ItemPtr> rows);

} // namespace testsupport
