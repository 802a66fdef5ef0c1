#pragma once
// The item store: the local menu table kept in step with the server, and the
// item collections of every kind of menu.
#include "core/clsItem.h"

class clsItemManager {
public:
    clsItemManager();
    ~clsItemManager();
    bool DatabaseIsLoaded() const { return false; }
};
