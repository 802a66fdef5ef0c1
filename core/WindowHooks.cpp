#include "core/WindowHooks.h"

namespace modGlobals {

WindowHooks& Windows() {
    static WindowHooks hooks;
    return hooks;
}

} // namespace modGlobals
