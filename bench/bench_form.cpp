// Form-panel performance: a panel of 10 fields, 5 lists, labels and 2
// pictures, from reading its file (and its pictures) off the disk to the
// first painted frame; and the reading alone. Every iteration builds a new
// panel, as every opening does.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "localservice/lib/SampleDatabase.h"
#include "menus/FormDefinition.h"
#include "menus/frmForm.h"
#include "platform/AppPath.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace modGlobals;

namespace {

QByteArray FormFile() {
    QStringList lines = {"0.1",
                         "Benchmark form",
                         "6000,5400",
                         "http://www.example.com/f.asp",
                         "4500,4900,1200,Submit",
                         "2",
                         "form=bench",
                         "lang=en"};
    lines << "12";
    for (int i = 0; i < 12; ++i)
        lines << QStringLiteral("120,%1,Label number %1:").arg(120 + i * 300);
    lines << "10";
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("1800,%1,2400,40,field%2").arg(120 + i * 300).arg(i);
    lines << "5";
    for (int i = 0; i < 5; ++i) {
        lines << QStringLiteral("4320,%1,1500,list%2").arg(120 + i * 400).arg(i);
        QStringList options;
        for (int j = 0; j < 8; ++j)
            options << QStringLiteral("v%1").arg(j) << QStringLiteral("Option %1").arg(j);
        lines << options.join(QLatin1Char(','));
    }
    lines << "2"
          << "logo.png,4320,2200"
          << "stripe.png,4320,3400";
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

void WritePicture(const QString& path, const QSize& size) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(QColor(200, 150, 90));
    img.save(path, "PNG");
}

struct World {
    QTemporaryDir folder;
    World() {
        platform::SetAppPath(folder.path());
        QDir(folder.path()).mkpath(QStringLiteral("data"));
        QDir(folder.path()).mkpath(QStringLiteral("images"));
        gDataPath = folder.path() + QStringLiteral("/data/");
        gImagesPath = folder.path() + QStringLiteral("/images/");
        QFile f(gDataPath + QStringLiteral("bench.frm"));
        if (f.open(QIODevice::WriteOnly))
            f.write(FormFile());
        f.close();
        WritePicture(gImagesPath + QStringLiteral("logo.png"), QSize(64, 48));
        WritePicture(gImagesPath + QStringLiteral("stripe.png"), QSize(120, 10));
        localservice::SampleRecord r;
        r.id = 44;
        r.parentId = 1;
        r.name = QStringLiteral("Bench");
        r.form = QStringLiteral("bench.frm");
        localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"), {r});
        gItemManager.reset();
    }
};

void BM_BuildFormToFirstFrame(benchmark::State& state) {
    World world;
    for (auto _ : state) {
        frmForm* panel = frmForm::Instance();
        panel->SetParentCategoryID(44);
        const QPixmap frame = panel->grab(); // the first painted frame
        benchmark::DoNotOptimize(frame.cacheKey());
        if (panel->cboSelect.size() != 6 || panel->imgX.size() != 3)
            state.SkipWithError("the panel was not built whole");
        state.PauseTiming(); // closing the panel is not part of opening it
        panel->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildFormToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_ReadFormFile(benchmark::State& state) {
    const QByteArray bytes = FormFile();
    for (auto _ : state) {
        const menus::FormDefinition d = menus::ParseFormDefinition(bytes);
        benchmark::DoNotOptimize(d.Selects.size());
    }
}
BENCHMARK(BM_ReadFormFile)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
