#pragma once
// The dialogs' layouts were measured for a narrower bitmap font than any the
// desktop has: a label whose text would be cut is set in a smaller size until
// its whole text fits its rectangle (wrapped where the label wraps); so is an
// option button whose text would run past its right edge.
class QDialog;
class QSize;
class QWidget;

void FitLabels(QWidget* window);

// The fixed frame and look the dialogs share: a fixed-size dialog of
// `sizeTwips` with a title bar and a close button, set in an 8-point sans of
// Arial's widths (the size their layouts were measured for); `white` gives it
// a white background.
void SetUpFixedDialog(QDialog* dialog, const QSize& sizeTwips, bool white);
