#pragma once
// The dialogs' layouts were measured for a narrower bitmap font than any the
// desktop has: a label whose text would be cut is set in a smaller size until
// its whole text fits its rectangle (wrapped where the label wraps); so is an
// option button whose text would run past its right edge.
class QWidget;

void FitLabels(QWidget* window);
