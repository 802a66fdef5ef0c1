// Home-menu performance: filling and painting a menu of 30 rows, one paint
// of the highlight, and the work done while the menu is open and the
// pointer rests (none is allowed).
#include "core/modGlobals.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "platform/AppPath.h"
#include "platform/Taskbar.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace modGlobals;

namespace {

ItemCollectionPtr ThirtyRows() {
    auto c = std::make_shared<ItemCollection>();
    for (int i = 0; i < 30; ++i) {
        auto item = std::make_shared<clsItem>();
        item->ID = i == 10 ? -1 : 100 + i;
        item->Name = i == 10 ? QString() : QStringLiteral("Menu row number %1").arg(i);
        item->IsItem = i < 10;
        item->Icon = i == 10
                         ? QString()
                         : (item->IsItem ? QStringLiteral("Item") : QStringLiteral("FolderIcon"));
        item->ParentID = 1;
        c->Add(item);
    }
    return c;
}

struct Menu {
    QWidget button{nullptr, Qt::Tool | Qt::FramelessWindowHint};
    frmMain frm;
    ItemCollectionPtr rows = ThirtyRows();
    Menu() {
        gAniSpeed = 25;
        button.setGeometry(0, 738, 60, 30);
        button.show();
        gButtonHwnd = platform::HandleOf(&button);
        frm.SetItemsSource([this] { return rows; });
        frm.ShowMenu();
        QApplication::processEvents();
    }
    ~Menu() { frm.Unload(); }
};

// Counts the events that reach the menu's widgets.
class EventCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o->isWidgetType() && e->type() != QEvent::DeferredDelete)
            ++count;
        return false;
    }
};

void BM_FillAndPaint30Rows(benchmark::State& state) {
    Menu m;
    for (auto _ : state) {
        // UpdateMenu refills the rows and paints the whole canvas.
        m.frm.UpdateMenu();
        benchmark::DoNotOptimize(m.frm.pMenu->Image.cacheKey());
    }
}
BENCHMARK(BM_FillAndPaint30Rows)->Unit(benchmark::kMillisecond);

void BM_PaintHighlight(benchmark::State& state) {
    Menu m;
    m.frm.m_SelIndex = 999;
    for (auto _ : state) {
        m.frm.Form_KeyDown(Qt::Key_Down); // one DrawHighlight per step
        if (m.frm.m_SelIndex == 999)
            m.frm.Form_KeyDown(Qt::Key_Down);
    }
}
BENCHMARK(BM_PaintHighlight)->Unit(benchmark::kMillisecond);

void BM_IdleWhilePointerRests(benchmark::State& state) {
    Menu m;
    m.frm.Form_MouseMove(Qt::NoButton, QPoint(50, 15 * 20 + 5));
    m.frm.Timer1_Timer(); // the pending opener runs once and stops
    QApplication::processEvents();
    EventCounter counter;
    qApp->installEventFilter(&counter);
    for (auto _ : state)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    qApp->removeEventFilter(&counter);
    state.counters["events"] = counter.count;
    state.counters["timers_active"] =
        m.frm.Timer1.isActive() + m.frm.timFlash.isActive() + m.frm.slide.IsRunning();
}
BENCHMARK(BM_IdleWhilePointerRests)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    platform::SetAppPath(folder.path());
    gImagesPath = folder.path() + QStringLiteral("/images/");
    menus::Slide::SetStepIntervalMs(0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
