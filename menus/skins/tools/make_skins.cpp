// Draws the menu skins and the built-in menu icons and writes them as PNG
// files (1x and @2x) with their skin.ini files and the resource list
// menus/menus.qrc. Run it again after changing the artwork:
//
//   g++ -std=c++20 -fPIC make_skins.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_skins
//   QT_QPA_PLATFORM=offscreen /tmp/make_skins /work/main/menus
//
// Two sets per window: "truecolor" (gradients, anti-aliased) and "fewcolors"
// (flat colours from a 16-entry palette, stored as indexed PNGs).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <functional>

namespace {

QString g_root;
QStringList g_files; // relative to g_root, for the .qrc

// The fewer-colours palette: the sixteen colours every display can show.
const QList<QRgb> kPalette = {
    0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
    0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};

using Painter = std::function<void(QPainter&, bool trueColor)>;

void Save(const QString& rel, int w, int h, int scale, bool trueColor, const Painter& paint) {
    QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, trueColor);
        p.scale(scale, scale);
        paint(p, trueColor);
    }
    QImage out = img;
    if (!trueColor) {
        // Keep transparency as its own entry; everything else snaps to the
        // palette without dithering, so flat areas stay flat.
        QList<QRgb> table = kPalette;
        table.append(qRgba(0, 0, 0, 0));
        out = img.convertToFormat(QImage::Format_Indexed8, table,
                                  Qt::ThresholdDither | Qt::AvoidDither);
    }
    QString name = rel;
    if (scale == 2)
        name.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
    QDir().mkpath(QFileInfo(g_root + "/" + name).path());
    out.save(g_root + "/" + name);
    g_files << name;
}

void SaveBoth(const QString& rel, int w, int h, bool trueColor, const Painter& paint) {
    Save(rel, w, h, 1, trueColor, paint);
    Save(rel, w, h, 2, trueColor, paint);
}

void WriteText(const QString& rel, const QString& text) {
    QDir().mkpath(QFileInfo(g_root + "/" + rel).path());
    QFile f(g_root + "/" + rel);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
    g_files << rel;
}

// ---- colours ---------------------------------------------------------------

struct Scheme {
    QColor frame, body, gutter, accentA, accentB, panelA, panelB, panelLine, button, buttonHi;
};

Scheme SchemeFor(bool trueColor) {
    if (trueColor)
        return {QColor(0x3a, 0x46, 0x6e), QColor(0xf8, 0xf9, 0xfc), QColor(0xee, 0xf1, 0xf8),
                QColor(0x57, 0x65, 0xab), QColor(0x3f, 0x9b, 0xd8), QColor(0x3b, 0x4a, 0x86),
                QColor(0x27, 0x31, 0x5e), QColor(0x7f, 0x8f, 0xd0), QColor(0x57, 0x65, 0xab),
                QColor(0xff, 0xff, 0xff)};
    return {QColor(0x00, 0x00, 0x80), QColor(0xff, 0xff, 0xff), QColor(0xc0, 0xc0, 0xc0),
            QColor(0x00, 0x00, 0x80), QColor(0x00, 0x00, 0x80), QColor(0x00, 0x00, 0x80),
            QColor(0x00, 0x00, 0x80), QColor(0x80, 0x80, 0x80), QColor(0x00, 0x80, 0x80),
            QColor(0xff, 0xff, 0xff)};
}

QBrush Vertical(const QColor& a, const QColor& b, qreal h, bool trueColor) {
    if (!trueColor)
        return QBrush(a);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return QBrush(g);
}

// ---- skins -----------------------------------------------------------------

void Frame(const QString& dir, bool tc) {
    SaveBoth(dir + "/frame.png", 3, 3, tc, [](QPainter& p, bool t) {
        const Scheme s = SchemeFor(t);
        p.fillRect(QRectF(0, 0, 3, 3), s.frame);
        p.fillRect(QRectF(1, 1, 1, 1), s.body);
    });
}

// Background: a 4-pixel accent band on top, then a 20-pixel row tile with a
// light icon gutter on the left.
void Client(const QString& dir, int w, bool tc) {
    SaveBoth(dir + "/client.png", w, 24, tc, [w](QPainter& p, bool t) {
        const Scheme s = SchemeFor(t);
        QLinearGradient accent(0, 0, w, 0);
        accent.setColorAt(0, s.accentA);
        accent.setColorAt(1, s.accentB);
        p.fillRect(QRectF(0, 0, w, 4), t ? QBrush(accent) : QBrush(s.accentA));
        p.fillRect(QRectF(0, 4, w, 20), s.body);
        p.fillRect(QRectF(0, 4, 24, 20), s.gutter);
    });
}

void Panel(const QString& dir, int w, bool tc) {
    SaveBoth(dir + "/panel.png", w, 38, tc, [w](QPainter& p, bool t) {
        const Scheme s = SchemeFor(t);
        p.fillRect(QRectF(0, 0, w, 38), Vertical(s.panelA, s.panelB, 38, t));
        p.fillRect(QRectF(0, 0, w, 1), s.panelLine);
        // The search button: a rounded square with a right-pointing arrow,
        // 92..109 pixels across, on the search field's band.
        QRectF b(92, 16, 17, 21);
        p.setPen(Qt::NoPen);
        p.setBrush(t ? QColor(0x6f, 0x7e, 0xc8) : s.button);
        p.drawRoundedRect(b, t ? 4 : 0, t ? 4 : 0);
        QPen pen(s.buttonHi, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const QPointF c = b.center();
        p.drawLine(QPointF(c.x() - 4, c.y()), QPointF(c.x() + 3, c.y()));
        p.drawLine(QPointF(c.x(), c.y() - 3.5), QPointF(c.x() + 3.5, c.y()));
        p.drawLine(QPointF(c.x(), c.y() + 3.5), QPointF(c.x() + 3.5, c.y()));
        // A small brand mark fills the corner to the right of the button.
        p.setPen(Qt::NoPen);
        p.setBrush(s.panelLine);
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QRectF(122 + i * 10, 24, 5, 5));
    });
}

void Line(const QString& dir, int w, bool tc) {
    SaveBoth(dir + "/line.png", w, 20, tc, [w](QPainter& p, bool t) {
        const Scheme s = SchemeFor(t);
        p.fillRect(QRectF(0, 0, w, 20), s.body);
        p.fillRect(QRectF(0, 0, 24, 20), s.gutter);
        p.fillRect(QRectF(6, 9, w - 12, 1), t ? QColor(0xc6, 0xcc, 0xde) : s.panelLine);
        p.fillRect(QRectF(6, 10, w - 12, 1), Qt::white);
    });
}

QString Ini(int border, const QList<std::tuple<QString, QString, int, int, QString>>& elements) {
    QString out;
    QTextStream ts(&out);
    ts << "; Skin set: a frame and named elements (picture, size in pixels and the\n"
          "; background rectangle \"left top right bottom\" that is tiled).\n";
    ts << "[Frame]\nPicture=frame.png\nBorder=" << border << "\n\n";
    for (const auto& [name, pic, w, h, rect] : elements)
        ts << "[" << name << "]\nPicture=" << pic << "\nWidth=" << w << "\nHeight=" << h
           << "\nBackgroundRect=" << rect << "\n\n";
    return out;
}

void Skins() {
    for (const bool tc : {true, false}) {
        const QString set = tc ? "truecolor" : "fewcolors";
        const QString home = "skins/home/" + set;
        Frame(home, tc);
        Client(home, 163, tc);
        Panel(home, 163, tc);
        WriteText(home + "/skin.ini", Ini(1, {{"Client", "client.png", 163, 24, "0 4 163 24"},
                                              {"Panel", "panel.png", 163, 38, "0 2 163 38"}}));
        const QString sub = "skins/submenu/" + set;
        Frame(sub, tc);
        Client(sub, 238, tc);
        Line(sub, 238, tc);
        WriteText(sub + "/skin.ini", Ini(1, {{"Client", "client.png", 238, 24, "0 4 238 24"},
                                             {"Line", "line.png", 238, 20, "0 0 238 20"}}));
        const QString form = "skins/form/" + set;
        Frame(form, tc);
        Client(form, 238, tc);
        WriteText(form + "/skin.ini", Ini(1, {{"Client", "client.png", 238, 24, "0 4 238 24"}}));
    }
}

// ---- icons -----------------------------------------------------------------

const QColor kBlue(0x57, 0x65, 0xab);
const QColor kSky(0x3f, 0x9b, 0xd8);
const QColor kAmber(0xf0, 0xb0, 0x3a);
const QColor kGrey(0x8a, 0x90, 0xa0);
const QColor kGreen(0x2e, 0xa0, 0x6a);

void Folder(QPainter& p, const QColor& back, const QColor& front) {
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(1.5, 3, 6, 3), 1, 1);
    p.drawPath(tab);
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9.5), 1.5, 1.5);
    p.setBrush(front);
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7.5), 1.5, 1.5);
}

void Chevron(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(6, 4), QPointF(10, 8), QPointF(6, 12)}));
}

void Triangle(QPainter& p, bool up, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    if (up)
        p.drawPolygon(QPolygonF({QPointF(4, 10.5), QPointF(8, 5.5), QPointF(12, 10.5)}));
    else
        p.drawPolygon(QPolygonF({QPointF(4, 5.5), QPointF(8, 10.5), QPointF(12, 5.5)}));
}

void Arrow(QPainter& p, bool up) {
    p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (up) {
        p.drawLine(QPointF(8, 13), QPointF(8, 3.5));
        p.drawPolyline(QPolygonF({QPointF(4, 7.5), QPointF(8, 3.5), QPointF(12, 7.5)}));
    } else {
        p.drawLine(QPointF(8, 3), QPointF(8, 12.5));
        p.drawPolyline(QPolygonF({QPointF(4, 8.5), QPointF(8, 12.5), QPointF(12, 8.5)}));
    }
}

void Icons() {
    const QList<std::pair<QString, Painter>> icons = {
        {"Item",
         [](QPainter& p, bool) {
             p.setPen(Qt::NoPen);
             p.setBrush(kSky);
             p.drawEllipse(QRectF(2, 2, 12, 12));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(5.5, 5.5, 5, 5));
         }},
        {"AdvertiserIcon",
         [](QPainter& p, bool) {
             p.setPen(Qt::NoPen);
             p.setBrush(kGreen);
             QPainterPath tag;
             tag.moveTo(2, 6);
             tag.lineTo(6, 2);
             tag.lineTo(14, 2);
             tag.lineTo(14, 14);
             tag.lineTo(6, 14);
             tag.lineTo(2, 10);
             tag.closeSubpath();
             p.drawPath(tag);
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(4.5, 6.5, 3, 3));
         }},
        {"LinkIcon",
         [](QPainter& p, bool) {
             p.setPen(QPen(kBlue, 2));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(QRectF(1.5, 5, 8, 6), 3, 3);
             p.drawRoundedRect(QRectF(6.5, 5, 8, 6), 3, 3);
         }},
        {"MenuExpand", [](QPainter& p, bool) { Chevron(p, kGrey); }},
        {"MenuExpandHi", [](QPainter& p, bool) { Chevron(p, kBlue); }},
        {"ScrollUp", [](QPainter& p, bool) { Triangle(p, true, kGrey); }},
        {"ScrollDown", [](QPainter& p, bool) { Triangle(p, false, kGrey); }},
        {"ArrowUp", [](QPainter& p, bool) { Arrow(p, true); }},
        {"ArrowDown", [](QPainter& p, bool) { Arrow(p, false); }},
        {"Folder", [](QPainter& p, bool) { Folder(p, QColor(0xd9, 0x95, 0x1e), kAmber); }},
        {"FolderIcon", [](QPainter& p, bool) { Folder(p, QColor(0x45, 0x52, 0x94), kBlue); }},
        {"Search",
         [](QPainter& p, bool) {
             p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
             p.drawLine(QPointF(9.5, 9.5), QPointF(13.5, 13.5));
         }},
    };
    for (const auto& [name, paint] : icons)
        SaveBoth("icons/" + name + ".png", 16, 16, true, paint);
}

void Qrc() {
    QString out = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/menus\">\n";
    g_files.sort();
    for (const QString& f : g_files)
        out += "    <file>" + f + "</file>\n";
    out += "</qresource>\n</RCC>\n";
    QFile q(g_root + "/menus.qrc");
    q.open(QIODevice::WriteOnly | QIODevice::Truncate);
    q.write(out.toUtf8());
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    g_root = QString::fromLocal8Bit(argv[1]);
    Skins();
    Icons();
    Qrc();
    return 0;
}
