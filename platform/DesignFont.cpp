#include "platform/DesignFont.h"

#include <QApplication>
#include <QFont>

namespace platform {

void UseDesignFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.25);
    // Where the font is missing, another sans with its widths is the next
    // best thing.
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}

} // namespace platform
