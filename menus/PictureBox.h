#pragma once
// A picture surface that keeps its image: painting goes into `Image`, and the
// widget only shows it, so nothing is redrawn when the window is exposed.
#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace menus {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr) : QWidget(parent) {}
    QPixmap Image;
    QColor BackColor = Qt::white;
    int BorderStyle = 0; // 1: a single line around the picture

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace menus
