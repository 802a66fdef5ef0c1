// Placeholders for procedures whose real code is being written elsewhere in
// core/. Whoever defines one of them removes it from here.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"

namespace modGlobals {

clsItemManager& ItemManager() {
    if (!gItemManager)
        gItemManager = std::make_unique<clsItemManager>();
    return *gItemManager;
}


} // namespace modGlobals
