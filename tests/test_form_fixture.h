#pragma once
// What the form-panel suites share: the local service as the server, a menu
// table of form categories, the single panel unloaded after each test, and
// the error reports it makes.
#include "core/modGlobals.h"
#include "localservice/lib/LocalService.h"
#include "menus/frmForm.h"
#include "support/Scripted.h"
#include "support/ScriptedWindows.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace formtest {

struct ErrorCall {
    QString msg, location;
};

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(service.Start(), 0);
        testsupport::TestWorld::UseServer(service.Host());
        frmForm::SetDownloadTimeoutMs(3000);
        dialogs.showError = [this](const QString& msg, int, const QString& location) {
            errors << ErrorCall{msg, location};
        };
    }
    void TearDown() override {
        if (panel)
            panel->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A menu table of form categories (id, form file) under the root.
    void Table(const std::vector<std::pair<int, QString>>& forms) {
        std::vector<localservice::SampleRecord> records;
        for (const auto& [id, form] : forms) {
            localservice::SampleRecord r;
            r.id = id;
            r.parentId = 1;
            r.name = QStringLiteral("Form %1").arg(id);
            r.form = form;
            records.push_back(r);
        }
        ASSERT_TRUE(localservice::WriteMenuTable(world.dataPath() + "MenuItems.dat", records));
        modGlobals::gItemManager.reset();
    }
    static QString FormPage(const QString& name) { return "/Vantrix/data/" + name; }
    static QString ImagePage(const QString& name) { return "/Vantrix/internal/images/" + name; }

    testsupport::TestWorld world;
    localservice::LocalService service;
    QPointer<frmForm> panel;
    QList<ErrorCall> errors;
    testsupport::ScriptedDialogs dialogs;
};

} // namespace formtest
