#pragma once
// A world for the submenu tests: a real menu table, the local service for
// the server's pages, the home menu as the root of the chain with real
// submenu windows below it, a 30-pixel taskbar at the bottom of the
// 1024 x 768 screen, and a recorder of error reports.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "localservice/lib/LocalService.h"
#include "localservice/lib/SampleDatabase.h"
#include "menus/MenuLevel.h"
#include "menus/Slide.h"
#include "menus/frmMain.h"
#include "menus/frmMenu.h"
#include "platform/Taskbar.h"
#include "support/MenuRows.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPointer>

#include <gtest/gtest.h>

namespace submenutest {

inline localservice::SampleRecord Rec(int id, int parent, const QString& name, bool isItem,
                                      const QString& description = QString(),
                                      const QString& bid = QString()) {
    localservice::SampleRecord r;
    r.id = id;
    r.parentId = parent;
    r.name = name;
    r.isItem = isItem;
    r.description = description;
    r.bid = bid;
    return r;
}

// Arts (10) holds two advertisers, a heading, subcategories and items;
// Movies (200) holds a subcategory of its own (201), which holds one (202).
inline std::vector<localservice::SampleRecord> Directory() {
    std::vector<localservice::SampleRecord> r = {
        Rec(1, 0, "Tarvel", false),
        Rec(10, 1, "Arts", false, "Sites about arts & crafts"),
        Rec(11, 1, "Adult", false, "Grown-ups only"),
        Rec(300, 10, "Gallery Ads", true, "Paid", "0.5"),
        Rec(301, 10, "Poster Shop", true, "Paid more", "12.5"),
        Rec(200, 10, "Movies", false,
            "Films & cinemas, from the silent classics to the blockbusters of this summer"),
        Rec(210, 10, "Music", false, "Songs"),
        Rec(302, 10, "Art Daily", true, "News of the art world"),
        Rec(303, 10, "Sculpture Hub", true, ""),
        Rec(400, 200, "Cinema Times", true, "Showtimes"),
        Rec(201, 200, "Classics", false, "Old films"),
        Rec(401, 201, "Silent Era", true, "Before sound"),
        Rec(202, 201, "Restored", false, "Restored prints"),
        Rec(402, 202, "Film Archive", true, "Kept for good"),
        Rec(500, 11, "Chat", true, "Talk"),
    };
    r[2].isRestricted = true;
    // A category taller than the screen.
    r.push_back(Rec(12, 1, "Everything", false, "All of it"));
    for (int i = 0; i < 50; ++i)
        r.push_back(Rec(600 + i, 12, QStringLiteral("Site %1").arg(i, 2, 10, QLatin1Char('0')),
                        true, QStringLiteral("Site number %1").arg(i)));
    return r;
}

// A home-menu row without a picture.
inline ItemPtr HomeRow(int id, const QString& name, bool isItem) {
    return testsupport::Row(id, name, isItem, QString());
}

class SubmenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace modGlobals;
        menus::Slide::SetStepIntervalMs(0);
        gAniSpeed = 25;
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        gUserID = 1234;
        gCategoryLogFile = QStringLiteral("c1234.dat");
        gScreenBottom = 738 * 15;
        QString error;
        ASSERT_TRUE(localservice::WriteMenuTable(gDataPath + QStringLiteral("MenuItems.dat"),
                                                 Directory(), &error))
            << error.toStdString();
        gItemManager.reset();
        dialogs.showError = [this](const QString& msg, int, const QString& location) {
            errors << location + QStringLiteral(": ") + msg;
        };
        menus::ChildFactory().newSubmenu = [this] {
            auto* w = new frmMenu();
            windows.push_back(w);
            return static_cast<QWidget*>(w);
        };
        button = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        PlaceButton(QRect(0, 738, 60, 30));
        homeRows = std::make_shared<ItemCollection>();
        homeRows->Add(HomeRow(302, QStringLiteral("Art Daily"), true));
        homeRows->Add(HomeRow(-1, QString(), false));
        homeRows->Add(HomeRow(10, QStringLiteral("Arts"), false));
        homeRows->Add(HomeRow(12, QStringLiteral("Everything"), false));
        homeRows->Add(HomeRow(77, QStringLiteral("Gone"), false));
        home = std::make_unique<frmMain>();
        home->SetItemsSource([this] { return homeRows; });
    }
    void TearDown() override {
        home->Unload();
        home.reset();
        for (auto& w : windows)
            delete w.data();
        button.reset();
        dialogs.showError = nullptr;
        buttonWindow.downloadNewIcon = nullptr;
        modGlobals::gItemManager.reset();
        service.Stop();
    }
    void PlaceButton(const QRect& r) {
        button->setGeometry(r);
        button->show();
        modGlobals::gButtonHwnd = platform::HandleOf(button.get());
    }
    // Opens the submenu of a home-menu row through the home menu's opener.
    frmMenu* OpenFromHome(int row) {
        if (!home->isVisible()) {
            home->ShowMenu();
            QApplication::processEvents(); // the search box takes the focus
        }
        home->GetCapture();
        home->Form_MouseMove(Qt::NoButton, QPoint(50, (row - 1) * 20 + 8));
        home->Timer1_Timer();
        return qobject_cast<frmMenu*>(home->m_ChildForm.data());
    }
    // Highlights a row of a submenu with the pointer and opens its child.
    static frmMenu* OpenFrom(frmMenu* menu, int row) {
        menu->picForm_MouseMove(QPoint(60, (row - 1) * 20 + 8));
        menu->Timer1_Timer();
        return qobject_cast<frmMenu*>(menu->m_ChildForm.data());
    }
    static int RowOf(const frmMenu* menu, int id) { return menus::FindRow(*menu->m_Items, id); }
    QStringList LogLines() const {
        QFile f(modGlobals::gDataPath + modGlobals::gCategoryLogFile);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList out;
        for (const QByteArray& l : f.readAll().split('\n'))
            if (!l.trimmed().isEmpty())
                out << QString::fromLatin1(l.trimmed());
        return out;
    }
    // A window's client pixels.
    static QImage Shot(QWidget* w) {
        QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return img.copy(1, 1, img.width() - 2, img.height() - 2);
    }

    testsupport::TestWorld world;
    localservice::LocalService service;
    QStringList errors;
    std::unique_ptr<QWidget> button;
    std::unique_ptr<frmMain> home;
    ItemCollectionPtr homeRows;
    std::vector<QPointer<frmMenu>> windows;
    testsupport::ScriptedDialogs dialogs;
    testsupport::ScriptedButton buttonWindow;
};

} // namespace submenutest
