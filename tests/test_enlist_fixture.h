#pragma once
// Shared set-up of the Enlist tests: a fresh world, a local service that
// Enlist takes for its default server host, a short time-out and a machine
// that counts as connected.
#include "enlist/EnlistLink.h"
#include "enlist/frmEnlist.h"
#include "localservice/lib/LocalService.h"
#include "support/Scripted.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class EnlistTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(service.Start(), 0);
        oldHost_ = qgetenv("TARVEL_SERVER_HOST");
        qputenv("TARVEL_SERVER_HOST", service.Host().toLatin1());
        EnlistLink::SetTimeoutMs(5000);
        frmEnlist::InternetGetConnectedState = [] { return true; };
    }

    void TearDown() override {
        service.Stop();
        if (oldHost_.isNull())
            qunsetenv("TARVEL_SERVER_HOST");
        else
            qputenv("TARVEL_SERVER_HOST", oldHost_);
        EnlistLink::SetTimeoutMs(60000);
        frmEnlist::InternetGetConnectedState = nullptr;
    }

    std::unique_ptr<frmEnlist> Load(const QString& commandLine) {
        auto window = std::make_unique<frmEnlist>(commandLine);
        window->Form_Load();
        return window;
    }
    // Loaded, shown and active, as the user meets it.
    std::unique_ptr<frmEnlist> Shown(const QString& commandLine) {
        auto w = Load(commandLine);
        w->show();
        QApplication::setActiveWindow(w.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return w;
    }

    // Body of the n-th request to a page (n from 0), "" when there is none.
    QString Body(const QString& page, int n = 0) const {
        const auto requests = service.RequestsFor(page);
        return n < requests.size() ? QString::fromLatin1(requests.at(n).body) : QString();
    }
    int Count(const QString& page) const { return service.RequestsFor(page).size(); }

    // Fills every required field of the address page.
    static void FillAddress(frmEnlist& w) {
        w.txtFirstName->setText(QStringLiteral("Jane"));
        w.txtLastName->setText(QStringLiteral("Doe"));
        w.txtAddress1->setText(QStringLiteral("1 Main St"));
        w.txtCity->setText(QStringLiteral("Springfield"));
        w.cboState->setCurrentIndex(0);
        w.txtZip->setText(QStringLiteral("12345"));
    }
    // Chooses the first entry of every profile list.
    static void FillProfile(frmEnlist& w) {
        for (QComboBox* combo :
             {w.cboDOBMonth, w.cboDOBYear, w.cboGender, w.cboEducation, w.cboIncome,
              w.cboMaritalStatus, w.cboEmployment, w.cboHoursOnline, w.cboFrequency})
            combo->setCurrentIndex(0);
    }

    // Replies for an unfinished account, for a start in Finish mode.
    void ServeUnfinished(int userId = 4711, const QString& email = QStringLiteral("j@x.org")) {
        service.SetReply(kStatus, (QString::number(userId) + QStringLiteral("\r\n") + email +
                                   QStringLiteral("\r\nFalse\r\n"))
                                      .toLatin1());
    }

    static inline const QString kStatus = QStringLiteral("/internal/getUserEnlistStatus.asp");
    static inline const QString kCheck = QStringLiteral("/internal/checkUserName.asp");
    static inline const QString kStep1 = QStringLiteral("/internal/addUserStep1.asp");
    static inline const QString kStep2 = QStringLiteral("/internal/addUserStep2.asp");
    static inline const QString kLocator = QStringLiteral("/Vantrix/internal/getDBURL.asp");

    testsupport::TestWorld world;
    localservice::LocalService service;

private:
    QByteArray oldHost_;
};
