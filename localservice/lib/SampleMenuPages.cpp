// The menu windows' pages of the sample service: the item icons under the
// server's images path, the form-definition files under its data path, and
// the page the sample forms submit to.
#include "localservice/lib/SampleDatabase.h"
#include "localservice/lib/SamplePages.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSet>

namespace localservice {

namespace {

// A small round badge in a colour of its own for every sample icon name, so
// that the menus show distinct icons without shipping picture files.
QByteArray BadgePng(const QString& name) {
    const uint hash = qHash(name);
    const QColor colour = QColor::fromHsv(static_cast<int>(hash % 360), 150, 200);
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(1, 1, 14, 14), 4, 4);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(5, 5, 6, 6));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

// The pictures of the sample forms, drawn at their natural size.
QByteArray FormPicturePng(const QString& name) {
    const bool parcel = name == QLatin1String("parcel.png");
    QImage img(parcel ? 40 : 120, parcel ? 40 : 10, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        if (parcel) {
            p.setPen(QPen(QColor(110, 70, 30), 2));
            p.setBrush(QColor(200, 150, 90));
            p.drawRect(QRectF(4, 10, 32, 26));
            p.drawLine(QPointF(20, 10), QPointF(20, 36));
            p.setBrush(QColor(230, 190, 130));
            p.drawPolygon(
                QPolygonF({QPointF(4, 10), QPointF(12, 3), QPointF(36, 3), QPointF(36, 10)}));
        } else {
            const QColor colours[] = {QColor(120, 80, 40), QColor(80, 40, 140), QColor(40, 60, 140),
                                      QColor(220, 180, 20)};
            for (int i = 0; i < 4; ++i)
                p.fillRect(QRect(i * 30, 0, 30, 10), colours[i]);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes;
}

QByteArray FileOr(const QString& path, const QByteArray& fallback) {
    QFile f(path);
    if (!path.isEmpty() && f.open(QIODevice::ReadOnly))
        return f.readAll();
    return fallback;
}

QByteArray Crlf(const QStringList& lines) {
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

// The sample form definitions ("0.1"); sizes and places in twips.
QByteArray SampleForm(const QString& name, const QString& submit) {
    if (name.compare(QLatin1String("weather.frm"), Qt::CaseInsensitive) == 0)
        return Crlf({QStringLiteral("0.1"), QStringLiteral("Weather forecast"),
                     QStringLiteral("3600,1800"), submit, QStringLiteral("2250,1320,1200,Forecast"),
                     QStringLiteral("1"), QStringLiteral("form=weather"), QStringLiteral("2"),
                     QStringLiteral("120,120,City or ZIP code:"), QStringLiteral("120,780,Days:"),
                     QStringLiteral("1"), QStringLiteral("120,390,3300,40,city"),
                     QStringLiteral("1"), QStringLiteral("720,750,1200,days"),
                     QStringLiteral("1,Today,3,3 days,7,A week"), QStringLiteral("0")});
    if (name.compare(QLatin1String("track.frm"), Qt::CaseInsensitive) == 0)
        return Crlf({QStringLiteral("0.1"),
                     QStringLiteral("Package tracking"),
                     QStringLiteral("4200,2100"),
                     submit,
                     QStringLiteral("2850,1620,1200,Track"),
                     QStringLiteral("2"),
                     QStringLiteral("form=track"),
                     QStringLiteral("lang=en"),
                     QStringLiteral("3"),
                     QStringLiteral("900,180,Where is my parcel?"),
                     QStringLiteral("900,480,Tracking number:"),
                     QStringLiteral("120,1110,Carrier:"),
                     QStringLiteral("1"),
                     QStringLiteral("900,720,3150,30,number"),
                     QStringLiteral("1"),
                     QStringLiteral("900,1050,1800,carrier"),
                     QStringLiteral("UPS,UPS,FDX,FedEx,USPS,US Mail,DHL,DHL"),
                     QStringLiteral("2"),
                     QStringLiteral("parcel.png,150,150"),
                     QStringLiteral("carriers.png,120,1560")});
    return Crlf({QStringLiteral("0.1"), QStringLiteral("Stock quote"), QStringLiteral("3600,1500"),
                 submit, QStringLiteral("2250,1020,1200,Get Quote"), QStringLiteral("1"),
                 QStringLiteral("form=quote"), QStringLiteral("1"),
                 QStringLiteral("120,120,Ticker symbols:"), QStringLiteral("1"),
                 QStringLiteral("120,390,3300,30,symbols"), QStringLiteral("1"),
                 QStringLiteral("120,750,1800,market"),
                 QStringLiteral("NYSE,New York,NASDAQ,Nasdaq,LSE,London")});
}

} // namespace

void InstallMenuPages(LocalService& service, const SampleData& data) {
    const QString base = data.serverPath;
    // "../data/" from the server path: the data folder beside it.
    const QString dataPage = QDir::cleanPath(base + QStringLiteral("../data")) + QLatin1Char('/');
    const QString imagesFolder = data.dataFolder.isEmpty()
                                     ? QString()
                                     : QDir(data.dataFolder).filePath(QStringLiteral("images"));

    QSet<QString> icons, forms;
    for (const SampleRecord& r : SampleDirectory()) {
        if (r.icon.contains(QLatin1Char('.')))
            icons.insert(r.icon);
        if (!r.form.isEmpty())
            forms.insert(r.form);
    }
    if (!imagesFolder.isEmpty())
        for (const QString& f : QDir(imagesFolder).entryList(QDir::Files))
            icons.insert(f);
    // The pictures of the sample forms, unless the images folder has its own.
    for (const QString& name : {QStringLiteral("parcel.png"), QStringLiteral("carriers.png")}) {
        if (icons.contains(name))
            continue;
        Reply reply;
        reply.contentType = "image/png";
        reply.body = FormPicturePng(name);
        service.SetReply(base + QStringLiteral("images/") + name, reply);
    }

    // Icons: the file from the sample images folder, else a drawn badge.
    for (const QString& name : icons) {
        Reply reply;
        reply.contentType = "image/png";
        reply.body = FileOr(imagesFolder.isEmpty() ? QString() : QDir(imagesFolder).filePath(name),
                            BadgePng(name));
        service.SetReply(base + QStringLiteral("images/") + name, reply);
    }

    // A large category whose sites each have an icon of their own: one badge
    // for all of them, drawn here once.
    if (data.records > 0 && LargeCategoryShapeInUse().ownIcons) {
        const QByteArray prefix = (base + QStringLiteral("images/row")).toLatin1();
        const QByteArray badge = BadgePng(QStringLiteral("row"));
        service.SetFallback([prefix, badge](const Request& request) {
            Reply reply;
            if (request.path.startsWith(prefix) && request.path.endsWith(".gif")) {
                reply.contentType = "image/png";
                reply.body = badge;
            } else {
                reply.status = 404;
            }
            return reply;
        });
    }

    // Form definitions, and the page their Submit goes to (on this service,
    // whatever port it listens on).
    const QString submitPage = base + QStringLiteral("sampleForm.asp");
    for (const QString& name : forms) {
        const QString file =
            data.dataFolder.isEmpty() ? QString() : QDir(data.dataFolder).filePath(name);
        service.SetHandler(dataPage + name, [name, file, submitPage](const Request& request) {
            const QString host = QString::fromLatin1(request.header("Host"));
            Reply reply;
            reply.contentType = "text/plain";
            reply.body =
                FileOr(file, SampleForm(name, QStringLiteral("http://") + host + submitPage));
            return reply;
        });
    }
    service.SetHandler(submitPage, [](const Request& request) {
        QString rows;
        for (const auto& [k, v] : request.queryFields())
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                        .arg(k.toHtmlEscaped(), v.toHtmlEscaped());
        Reply reply;
        reply.body = QStringLiteral("<html><body><h1>Sample form</h1><table>%1</table>"
                                    "</body></html>")
                         .arg(rows)
                         .toLatin1();
        return reply;
    });
}

} // namespace localservice
