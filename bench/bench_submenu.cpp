// Submenu performance: filling a 100-row category from the menu table and
// painting it, one paint of the highlight, the opener from its timer to the
// child's first painted frame (no slide) for a 30-row child and for large
// children whose rows each name an icon file not yet downloaded (5,000 and
// 50,000 rows; the missing icons are asked of the real icon queue), and a
// row of hover scrolling. The table is written into a temporary program
// folder with the local service's table writer.
#include "core/ButtonWindow.h"
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "localservice/lib/SampleDatabase.h"
#include "menus/MenuHooks.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "menus/frmMenu.h"
#include "platform/AppPath.h"
#include "shell/IconQueue.h"

#include <QApplication>
#include <QDir>
#include <QPaintEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace modGlobals;

namespace {

constexpr int kLarge = 3;     // 5,000 rows below category 10
constexpr int kVeryLarge = 4; // 50,000 rows

// Category 10 with 100 rows, mixed leaves, categories and bids; its first
// subcategory (20) with 30 rows. Category 11 holds kLarge and kVeryLarge,
// with 5,000 and 50,000 sites, each with its own icon file.
std::vector<localservice::SampleRecord> Table() {
    std::vector<localservice::SampleRecord> out;
    auto add = [&](int id, int parent, const QString& name, bool isItem, const QString& bid) {
        localservice::SampleRecord r;
        r.id = id;
        r.parentId = parent;
        r.name = name;
        r.isItem = isItem;
        r.bid = bid;
        r.icon = isItem ? QStringLiteral("Item") : QString();
        r.description = name + QStringLiteral(" & more");
        out.push_back(r);
    };
    add(1, 0, QStringLiteral("Root"), false, QString());
    add(10, 1, QStringLiteral("Hundred"), false, QString());
    for (int i = 0; i < 100; ++i)
        add(20 + i, 10, QStringLiteral("Row %1 of the long category").arg(i), i >= 10,
            i % 25 == 24 ? QStringLiteral("1.25") : QString());
    for (int i = 0; i < 30; ++i)
        add(1000 + i, 20, QStringLiteral("Child row %1").arg(i), true, QString());
    add(11, 1, QStringLiteral("Large"), false, QString());
    add(kLarge, 11, QStringLiteral("Five thousand"), false, QString());
    add(kVeryLarge, 11, QStringLiteral("Fifty thousand"), false, QString());
    for (int i = 0; i < 55000; ++i) {
        add(100000 + i, i < 5000 ? kLarge : kVeryLarge,
            QStringLiteral("Site %1 of a large category").arg(i, 5, 10, QLatin1Char('0')), true,
            QString());
        out.back().icon = QStringLiteral("r%1.gif").arg(i);
    }
    return out;
}

// Counts the paints of one window.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void BM_SubmenuFillAndPaint100Rows(benchmark::State& state) {
    frmMenu menu;
    for (auto _ : state) {
        menu.FillMenu(10);
        // The rows are painted where the window shows them, not at the fill.
        benchmark::DoNotOptimize(menu.grab());
    }
    state.counters["rows"] = menu.RowCount();
}
BENCHMARK(BM_SubmenuFillAndPaint100Rows)->Unit(benchmark::kMillisecond);

void BM_SubmenuPaintOnly100Rows(benchmark::State& state) {
    frmMenu menu;
    menu.FillMenu(10);
    for (auto _ : state) {
        menu.RefreshIcons(); // the same rows painted again
        benchmark::DoNotOptimize(menu.grab());
    }
}
BENCHMARK(BM_SubmenuPaintOnly100Rows)->Unit(benchmark::kMillisecond);

void BM_SubmenuHighlight(benchmark::State& state) {
    frmMenu menu;
    menu.show();
    menu.FillMenu(10);
    int row = 0;
    for (auto _ : state) {
        row = row % 10 + 1;
        menu.picForm_MouseMove(QPoint(60, (row - 1) * 20 + 8)); // one DrawHighlight
    }
    menu.timTooltip.stop();
}
BENCHMARK(BM_SubmenuHighlight)->Unit(benchmark::kMillisecond);

// Missing icons go to a real icon queue (its downloads fail: no server).
class QueueButton : public windows::ButtonWindow {
public:
    bool DownloadNewIcon(const QString& URL, const QString& FileName, QObject* frm) override {
        return queue.Add(URL, FileName, frm);
    }
    IconQueue queue;
};

// The opener's timer to the child's first painted frame: the child of
// state.range(0) (category id).
void BM_OpenerToFirstFrame(benchmark::State& state) {
    QueueButton button;
    windows::SetButtonWindow(&button);
    frmMenu parent;
    parent.show();
    const int id = static_cast<int>(state.range(0));
    parent.FillMenu(id == 20 ? 10 : 11);
    QApplication::processEvents();
    const int row = menus::FindRow(*parent.m_Items, id);
    for (auto _ : state) {
        state.PauseTiming();
        if (parent.m_ChildForm)
            menus::AsMenuLevel(parent.m_ChildForm.data())->Unload();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        parent.picForm_MouseMove(QPoint(60, (row - 1) * 20 + 8));
        state.ResumeTiming();
        parent.Timer1_Timer();
        QWidget* child = parent.m_ChildForm;
        PaintCounter counter;
        child->installEventFilter(&counter);
        child->repaint(); // the first frame on the screen
        benchmark::DoNotOptimize(counter.paints);
        child->removeEventFilter(&counter);
        state.PauseTiming();
        if (auto* menu = qobject_cast<frmMenu*>(child))
            state.counters["rows"] = menu->RowCount();
        state.counters["queued"] = button.queue.Count();
        button.queue.Clear();
        state.ResumeTiming();
    }
    parent.timTooltip.stop();
    if (parent.m_ChildForm)
        menus::AsMenuLevel(parent.m_ChildForm.data())->Unload();
    windows::SetButtonWindow(nullptr);
}
BENCHMARK(BM_OpenerToFirstFrame)
    ->Arg(20)
    ->Arg(kLarge)
    ->Arg(kVeryLarge)
    ->Unit(benchmark::kMillisecond);

// One pointer event on a scroll strip of a shown window: a row of scrolling,
// one frame per pixel, each painting the rows it shows.
void BM_SubmenuScrollOneRow(benchmark::State& state) {
    frmMenu menu;
    menu.show();
    menu.FillMenu(10);
    QApplication::processEvents();
    menus::PictureBox* strip = menu.picScrollDown;
    for (auto _ : state) {
        if (!strip->isVisible()) // at either end: the other way
            strip = strip == menu.picScrollDown ? menu.picScrollUp : menu.picScrollDown;
        menu.picForm_MouseMove(menu.CanvasFromWindow(strip->geometry().center()));
    }
    menu.timTooltip.stop();
}
BENCHMARK(BM_SubmenuScrollOneRow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    platform::SetAppPath(folder.path());
    QDir(folder.path()).mkpath(QStringLiteral("data"));
    QDir(folder.path()).mkpath(QStringLiteral("images"));
    gDataPath = folder.path() + QStringLiteral("/data/");
    gImagesPath = folder.path() + QStringLiteral("/images/");
    gCategoryLogFile = QStringLiteral("c1.dat");
    gAniSpeed = 25;
    gScreenBottom = 738 * 15;
    localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"), Table());
    menus::ChildFactory().newSubmenu = MenuChildWindows().newSubmenu;
    menus::Slide::SetStepIntervalMs(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    menus::ChildFactory() = {};
    gItemManager.reset();
    return 0;
}
