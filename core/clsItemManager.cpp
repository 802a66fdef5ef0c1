#include "core/clsItemManager.h"

#include "core/modGlobals.h"

namespace modGlobals {
std::unique_ptr<clsItemManager> gItemManager;
}

clsItemManager::clsItemManager() = default;
clsItemManager::~clsItemManager() = default;
