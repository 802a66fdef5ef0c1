#pragma once
// The window layouts were measured for a narrow 8-point sans. The desktop's
// usual sans (DejaVu Sans) is wider and cut nine of Enlist's labels;
// Liberation Sans has the widths of the font the layouts were made for.
namespace platform {

// Makes Liberation Sans at 8.25 points the application's font. Call once,
// right after the QApplication exists and before any window is built.
void UseDesignFont();

} // namespace platform
