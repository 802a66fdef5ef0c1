#include "support/Screenshot.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QSet>

#include <gtest/gtest.h>

namespace testsupport {

void ExpectOnScreen(const QWidget* window, const std::string& what) {
    const QRect frame = window->frameGeometry();
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    ASSERT_NE(screen, nullptr) << what << " lies off every screen at " << frame.x() << ","
                               << frame.y();
    const QRect area = screen->geometry();
    EXPECT_TRUE(window->isVisible()) << what << " is not shown";
    EXPECT_TRUE(area.contains(frame))
        << what << " (" << frame.x() << "," << frame.y() << " " << frame.width() << "x"
        << frame.height() << ") runs over the edge of the screen (" << area.width() << "x"
        << area.height() << ")";
}

void SaveScreenshot(const QImage& picture, const QString& name) {
    const QString folder =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(folder);
    ASSERT_FALSE(picture.isNull()) << name.toStdString();
    ASSERT_TRUE(picture.save(folder + QLatin1Char('/') + name, "PNG")) << name.toStdString();
}

void Screenshot(QWidget* w, const QString& name) {
    w->show();
    QApplication::processEvents();
    ExpectOnScreen(w, name.toStdString());
    const QImage image = w->grab().toImage();
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    ASSERT_TRUE(image.save(folder + QLatin1Char('/') + name, "PNG"));
    EXPECT_EQ(image.size(), w->size());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 12) << name.toStdString();
    for (const QLabel* label : w->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(w))
            continue;
        const QRect need = QFontMetrics(label->font())
                               .boundingRect(QRect(0, 0, label->width(), 10000),
                                             Qt::TextWordWrap | label->alignment(), label->text());
        EXPECT_LE(need.height(), label->height() + 1)
            << name.toStdString() << ": " << label->text().toStdString();
        EXPECT_LE(need.width(), label->width() + 1)
            << name.toStdString() << ": " << label->text().toStdString();
    }
    for (const QWidget* child : w->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(w) || child->isWindow())
            continue;
        const QRect inWindow(child->mapTo(w, QPoint(0, 0)), child->size());
        EXPECT_TRUE(w->rect().contains(inWindow))
            << name.toStdString() << ": " << child->metaObject()->className() << " "
            << child->objectName().toStdString() << " lies outside the window";
    }
    for (const QRadioButton* option : w->findChildren<QRadioButton*>())
        EXPECT_LE(option->sizeHint().width(), option->width()) << option->text().toStdString();
}

} // namespace testsupport
