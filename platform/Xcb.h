#pragma once
// The little of X11 that Qt does not wrap and the desktop helpers need
// (DesktopPopup, KeepOnTop): Qt's own connection and interned atoms.
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace platform {

// An xcb reply, freed with free() as xcb asks.
template <typename Reply> using XcbReply = std::unique_ptr<Reply, decltype(&free)>;

// The program runs on X11 (the xcb platform), where pointer grabs, window
// manager states and the rest of this exist.
bool OnX11();

// Qt's connection to the X server; null when the program runs on another
// platform (offscreen, Wayland) or before the application object exists.
xcb_connection_t* XcbConnection();

// The atom of `name`, XCB_ATOM_NONE when the server does not answer.
xcb_atom_t XcbAtom(xcb_connection_t* connection, const char* name);

} // namespace platform
