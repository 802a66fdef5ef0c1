#include "menus/Skin.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSettings>
#include <QWidget>

// The pictures are resources of this static library; a static library's
// resources are registered only when asked for.
static void InitMenuResources() {
    Q_INIT_RESOURCE(menus);
}

namespace menus {

void EnsureMenuResources() {
    static const bool done = (InitMenuResources(), true);
    (void)done;
}

namespace {

// Pictures of the double-size set are taken on screens scaled 150% and more.
QPixmap LoadPicture(const QString& path) {
    if (path.isEmpty())
        return QPixmap();
    if (qGuiApp && qGuiApp->devicePixelRatio() >= 1.5) {
        QString big = path;
        big.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
        QPixmap pm;
        if (QFile::exists(big) && pm.load(big)) {
            pm.setDevicePixelRatio(2.0);
            return pm;
        }
    }
    return QPixmap(path);
}

} // namespace

const SkinStorage& SkinStorage::Load(const QString& folder) {
    // Kept for the life of the process: the skins outlive every window, and
    // pixmaps must not be destroyed after the application object.
    static auto* cache = new std::map<QString, SkinStorage>();
    EnsureMenuResources();
    auto found = cache->find(folder);
    if (found != cache->end())
        return found->second;
    SkinStorage& skin = (*cache)[folder];
    const QString ini = folder + QStringLiteral("/skin.ini");
    if (!QFile::exists(ini))
        return skin;
    QSettings s(ini, QSettings::IniFormat);
    for (const QString& group : s.childGroups()) {
        s.beginGroup(group);
        const QString picture = s.value(QStringLiteral("Picture")).toString();
        const QString path = picture.isEmpty() ? QString() : folder + QLatin1Char('/') + picture;
        if (group == QLatin1String("Frame")) {
            skin.frame_ = LoadPicture(path);
            skin.frameBorder_ = qMax(0, s.value(QStringLiteral("Border")).toInt());
        } else {
            SkinElement e;
            e.Name = group;
            e.Picture = LoadPicture(path);
            e.Width = s.value(QStringLiteral("Width")).toInt();
            e.Height = s.value(QStringLiteral("Height")).toInt();
            // QSettings reads an unquoted value with blanks as one text.
            e.BackgroundRect = s.value(QStringLiteral("BackgroundRect")).toString();
            skin.elements_[group] = e;
        }
        s.endGroup();
    }
    return skin;
}

const SkinStorage& SkinStorage::ForWindow(const QString& kind, bool trueColor) {
    return Load(QStringLiteral(":/menus/skins/") + kind +
                (trueColor ? QStringLiteral("/truecolor") : QStringLiteral("/fewcolors")));
}

const SkinElement* SkinStorage::Element(const QString& name) const {
    auto it = elements_.find(name);
    return it == elements_.end() ? nullptr : &it->second;
}

bool ParseBackgroundRect(const QString& text, QRect* rect) {
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 4)
        return false;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts.at(i).toInt(&ok);
        if (!ok)
            return false;
    }
    if (v[2] <= v[0] || v[3] <= v[1])
        return false;
    *rect = QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
    return true;
}

void SkinForm::ApplySkin(const SkinStorage& storage, QWidget* window) {
    storage_ = &storage;
    window_ = window;
    if (window) {
        const int b = storage.FrameBorder();
        window->setContentsMargins(b, b, b, b);
    }
}

bool SkinForm::GetElement(const QString& name, SkinElement* out) const {
    if (!storage_)
        return false;
    const SkinElement* e = storage_->Element(name);
    if (!e)
        return false;
    *out = *e;
    if (name == QLatin1String("Client") && window_) {
        const int b = storage_->FrameBorder();
        out->Width = qMax(0, window_->width() - 2 * b);
        out->Height = qMax(0, window_->height() - 2 * b);
    }
    return true;
}

void SkinForm::PaintFrame(QPainter& painter, const QSize& size) const {
    if (!storage_ || storage_->FrameBorder() <= 0 || storage_->FramePicture().isNull())
        return;
    const QPixmap& pm = storage_->FramePicture();
    const qreal dpr = pm.devicePixelRatio();
    const int pw = qRound(pm.width() / dpr), ph = qRound(pm.height() / dpr);
    const int b = storage_->FrameBorder();
    if (pw < 2 * b + 1 || ph < 2 * b + 1)
        return;
    auto src = [&](int x, int y, int w, int h) {
        return QRectF(x * dpr, y * dpr, w * dpr, h * dpr);
    };
    const int w = size.width(), h = size.height();
    const int mw = pw - 2 * b, mh = ph - 2 * b;
    // Corners, then edges stretched along their length.
    painter.drawPixmap(QRectF(0, 0, b, b), pm, src(0, 0, b, b));
    painter.drawPixmap(QRectF(w - b, 0, b, b), pm, src(pw - b, 0, b, b));
    painter.drawPixmap(QRectF(0, h - b, b, b), pm, src(0, ph - b, b, b));
    painter.drawPixmap(QRectF(w - b, h - b, b, b), pm, src(pw - b, ph - b, b, b));
    painter.drawPixmap(QRectF(b, 0, w - 2 * b, b), pm, src(b, 0, mw, b));
    painter.drawPixmap(QRectF(b, h - b, w - 2 * b, b), pm, src(b, ph - b, mw, b));
    painter.drawPixmap(QRectF(0, b, b, h - 2 * b), pm, src(0, b, b, mh));
    painter.drawPixmap(QRectF(w - b, b, b, h - 2 * b), pm, src(pw - b, b, b, mh));
}

void PaintSkinBackground(QPainter& painter, const SkinElement& element, const QSize& canvas) {
    PaintSkinBackground(painter, element, canvas, QRect(QPoint(0, 0), canvas));
}

void PaintSkinBackground(QPainter& painter, const SkinElement& element, const QSize& canvas,
                         const QRect& area) {
    if (element.Picture.isNull())
        return;
    const qreal dpr = element.Picture.devicePixelRatio();
    const QRect whole(QPoint(0, 0), (QSizeF(element.Picture.size()) / dpr).toSize());
    if (whole.intersects(area))
        painter.drawPixmap(0, 0, element.Picture);
    QRect tile;
    if (!ParseBackgroundRect(element.BackgroundRect, &tile))
        return;
    const QRectF source(tile.left() * dpr, tile.top() * dpr, tile.width() * dpr,
                        tile.height() * dpr);
    const int across = canvas.width() / tile.width() + 1;
    const int down = canvas.height() / tile.height() + 1;
    // Tiles wholly above the area are skipped, the rest stop below it.
    const int first = qMax(0, (area.top() - tile.top()) / tile.height());
    for (int j = first; j < down; ++j) {
        const int y = tile.top() + j * tile.height();
        if (y >= canvas.height() || y > area.bottom())
            break;
        for (int i = 0; i < across; ++i) {
            const int x = tile.left() + i * tile.width();
            if (x >= canvas.width())
                break;
            painter.drawPixmap(QRectF(x, y, tile.width(), tile.height()), element.Picture, source);
        }
    }
}

} // namespace menus
