#pragma once
// A picture surface that keeps its image: painting goes into `Image`, and the
// widget only shows it, so nothing is redrawn when the window is exposed
// (unless the owner paints it on demand, see PaintExposed).
#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace menus {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr) : QWidget(parent) {}
    QPixmap Image;
    // When set, the box keeps no picture: the exposed part (box pixels) is
    // painted on demand, so a box far taller than the screen costs nothing.
    std::function<void(QPainter& painter, const QRect& exposed)> PaintExposed;
    QColor BackColor = Qt::white;
    int BorderStyle = 0; // 1: a single line around the picture

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace menus
