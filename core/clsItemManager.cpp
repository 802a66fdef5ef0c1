#include "core/clsItemManager.h"

#include "core/modGlobals.h"

namespace modGlobals {
std::unique_ptr<clsItemManager> gItemManager;
}

// Placeholders until the item store lands.
clsItemManager::clsItemManager() = default;
clsItemManager::~clsItemManager() = default;
bool clsItemManager::DatabaseIsLoaded() const { return false; }
ItemPtr clsItemManager::GetItem(int) { return nullptr; }
ItemCollectionPtr clsItemManager::GetCollection(int) { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetCollectionNoSort(int) { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetMoreCollection(int) { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetMyTarvelCollection() { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetNewsCollection() { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetFavoritesCollection() { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetHomeMenuCollection(int) { return std::make_shared<ItemCollection>(); }
ItemCollectionPtr clsItemManager::GetHomeMenuShortcutCollection() { return std::make_shared<ItemCollection>(); }
void clsItemManager::ClearHomeMenuCollection() {}
ItemCollectionPtr clsItemManager::GetSearchCollection(const QString&) { return std::make_shared<ItemCollection>(); }
void clsItemManager::DownloadUpdates() {}
