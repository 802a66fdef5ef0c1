#pragma once
// The measures every level of the menu chain shares: how high a row is,
// where a child level opens beside its parent and where it must stop short
// of the screen's bottom, and the highlight colour of the design (also the
// desktop button's). Twips where the name says so, else pixels.
#include <QColor>

namespace menus {

// A row is 20 pixels high.
inline constexpr int kRowHeight = 20;

// A child level starts this far inside its parent's right edge, so that the
// two windows overlap.
inline constexpr int kChildOverlapTwips = 60;

// A child level whose bottom would come closer than this to the screen's
// bottom is moved up to end on it.
inline constexpr int kBottomMarginTwips = 450;

// A new child level is shown this far left of the screen while it fills, so
// that nothing of it is seen before it slides open.
inline constexpr int kParkLeftTwips = -20000;

// Text of the highlighted row and the button's face (&HAB6557).
inline constexpr QColor kHighlightTextColor(87, 101, 171);

} // namespace menus
