#pragma once
// Saves a window's picture as build/bin/screenshots/<name> and checks what a
// user would see in it: a picture of the window's size with more than a blank
// face, every label's whole text inside its rectangle, every option's text
// beside its indicator, and no control outside the window.
#include <QString>

class QWidget;

namespace testsupport {

void Screenshot(QWidget* window, const QString& name);

} // namespace testsupport
