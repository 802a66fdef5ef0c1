#pragma once
// Pictures of windows for a person to look at, with the checks such a person
// would make on them.
#include <QString>

#include <string>

class QImage;
class QWidget;

namespace testsupport {

// Saves a window's picture as build/bin/screenshots/<name> and checks what a
// user would see in it: the whole window on the screen, a picture of the
// window's size with more than a blank face, every label's whole text inside
// its rectangle, every option's text beside its indicator, and no control
// outside the window.
void Screenshot(QWidget* window, const QString& name);

// Saves a picture made of several windows as build/screenshots/<name>.
void SaveScreenshot(const QImage& picture, const QString& name);

// The whole window (its frame included) lies on one screen: none of it is
// cut off by a screen edge or parked off the desktop.
void ExpectOnScreen(const QWidget* window, const std::string& what);

} // namespace testsupport
