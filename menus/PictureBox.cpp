#include "menus/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace menus {

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (PaintExposed) {
        p.save();
        PaintExposed(p, event->rect());
        p.restore();
    } else {
        if (Image.isNull() || Image.width() < width() || Image.height() < height())
            p.fillRect(rect(), BackColor);
        if (!Image.isNull())
            p.drawPixmap(0, 0, Image);
    }
    if (BorderStyle == 1) {
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace menus
