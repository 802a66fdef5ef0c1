#pragma once
// The item store: the local menu table kept in step with the server, and the
// item collections of every kind of menu.
#include "core/clsItem.h"

#include <QString>

class clsItemManager {
public:
    clsItemManager();
    ~clsItemManager();
    clsItemManager(const clsItemManager&) = delete;
    clsItemManager& operator=(const clsItemManager&) = delete;

    bool DatabaseIsLoaded() const;
    ItemPtr GetItem(int ID);

    ItemCollectionPtr GetCollection(int ParentID);
    ItemCollectionPtr GetCollectionNoSort(int ParentID);
    ItemCollectionPtr GetMoreCollection(int ParentID);

    ItemCollectionPtr GetMyTarvelCollection();
    ItemCollectionPtr GetNewsCollection();
    ItemCollectionPtr GetFavoritesCollection();

    ItemCollectionPtr GetHomeMenuCollection(int userId);
    ItemCollectionPtr GetHomeMenuShortcutCollection();
    void ClearHomeMenuCollection();
    ItemCollectionPtr GetSearchCollection(const QString& SearchString);

    void DownloadUpdates();
};
