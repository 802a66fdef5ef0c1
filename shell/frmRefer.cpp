// The refer-a-friend wizard's window, its two pages and its loading.
#include "shell/frmRefer.h"

#include "core/modGlobals.h"
#include "platform/Files.h"
#include "platform/Latin1Text.h"
#include "platform/Twips.h"
#include "shell/TextFit.h"
#include "shell/frmButton.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

using namespace modGlobals;
using platform::TwipsRect;

namespace {

QPointer<frmRefer> g_refer;

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& rect, double points = 0,
                  bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (points > 0 || bold) {
        QFont font = label->font();
        if (points > 0) {
            font.setFamily(QStringLiteral("Arial"));
            font.setPointSizeF(points);
        }
        font.setBold(bold);
        label->setFont(font);
    }
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& rect) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

QWidget* MakePage(QWidget* parent, const QString& name) {
    auto* page = new QWidget(parent);
    page->setObjectName(name);
    page->setAutoFillBackground(true);
    QPalette pal = page->palette();
    pal.setColor(QPalette::Window, Qt::white);
    page->setPalette(pal);
    page->setGeometry(TwipsRect(120, 120, 7455, 5895));
    return page;
}

} // namespace

frmRefer::frmRefer(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRefer"));
    setWindowTitle(QStringLiteral("Refer your friends"));
    SetUpFixedDialog(this, QSize(7725, 6810), true);

    BuildPage1();
    BuildPage2();

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(TwipsRect(120, 6090, 7440, 60));
    cmdCancel = MakeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"),
                           TwipsRect(3720, 6360, 1200, 330));
    cmdBack = MakeButton(this, QStringLiteral("cmdBack"), QStringLiteral("< &Back"),
                         TwipsRect(5160, 6360, 1200, 330));
    cmdBack->setEnabled(false);
    cmdNext = MakeButton(this, QStringLiteral("cmdNext"), QStringLiteral("&Next >"),
                         TwipsRect(6360, 6360, 1200, 330));

    setTabOrder(txtEmail, cmdShow);
    setTabOrder(cmdShow, lstFriends);
    setTabOrder(lstFriends, cmdAdd);
    setTabOrder(cmdAdd, cmdAddAll);
    setTabOrder(cmdAddAll, cmdAddFriend);
    setTabOrder(cmdAddFriend, cmdRemoveAll);
    setTabOrder(cmdRemoveAll, cmdRemove);
    setTabOrder(cmdRemove, lstEmails);
    setTabOrder(lstEmails, cmdCancel);
    setTabOrder(cmdCancel, cmdBack);
    setTabOrder(cmdBack, cmdNext);
    setTabOrder(cmdNext, txtMessage);

    connect(cmdAdd, &QPushButton::clicked, this, &frmRefer::cmdAdd_Click);
    connect(cmdShow, &QPushButton::clicked, this, &frmRefer::cmdShow_Click);
    connect(cmdAddFriend, &QPushButton::clicked, this, &frmRefer::cmdAddFriend_Click);
    connect(cmdAddAll, &QPushButton::clicked, this, &frmRefer::cmdAddAll_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmRefer::cmdRemove_Click);
    connect(cmdRemoveAll, &QPushButton::clicked, this, &frmRefer::cmdRemoveAll_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmRefer::cmdNext_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmRefer::cmdBack_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRefer::cmdCancel_Click);
    // Finish, Cancel, Esc and the close box all unload.
    connect(this, &QDialog::finished, this, [] { gReferLoaded = false; });
    for (QWidget* w : {static_cast<QWidget*>(txtEmail), static_cast<QWidget*>(txtMessage),
                       static_cast<QWidget*>(lstEmails), static_cast<QWidget*>(lstFriends)})
        w->installEventFilter(this);
    // Enter presses the button that has the focus, as Space does.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->installEventFilter(this);

    platform::CenterOnScreen(this);
    Form_Load();
    FitLabels(this);
}

frmRefer::~frmRefer() {
    gReferLoaded = false;
}

void frmRefer::BuildPage1() {
    QWidget* page = picPanel[0] = MakePage(this, QStringLiteral("picPanel0"));
    picLogo0 = new QLabel(page);
    picLogo0->setGeometry(TwipsRect(120, 120, 1500, 1845));
    picLogo0->setScaledContents(true);
    MakeLabel(page, QStringLiteral("Make money - Refer a friend (or a hundred) !"),
              TwipsRect(1800, 120, 4335, 255), 0, true);
    MakeLabel(page,
              QStringLiteral(
                  "Every friend that you refer could earn you hundreds of dollars each month ! "
                  "Through our Affiliate Program, each of your referrals (your Level 2), their "
                  "referrals (your Level 3), and THEIR referrals (your Level 4) has the potential "
                  "to earn YOU hundreds of dollars through shared advertising revenues. The "
                  "sooner THEY start using Tarvel, the sooner YOU start raking in the money - so "
                  "email your friends today !!!"),
              TwipsRect(1800, 360, 5535, 1455));
    MakeLabel(page,
              QStringLiteral("To prevent spam, you are limited to emailing 20 friends at a time."),
              TwipsRect(1800, 1680, 4215, 255), 6.75);
    lblTotal = MakeLabel(page, QStringLiteral("$0*"), TwipsRect(6240, 1680, 975, 255));
    lblTotal->setObjectName(QStringLiteral("lblTotal"));
    lblTotal->setAlignment(Qt::AlignRight | Qt::AlignTop);
    MakeLabel(page, QStringLiteral("Enter an email address here:"),
              TwipsRect(120, 2040, 2655, 255));
    txtEmail = new QLineEdit(page);
    txtEmail->setObjectName(QStringLiteral("txtEmail"));
    txtEmail->setGeometry(TwipsRect(120, 2280, 2655, 285));
    // The addresses and the message go to the server in its 8-bit code page.
    platform::KeepAnsi(txtEmail);
    cmdAdd = MakeButton(page, QStringLiteral("cmdAdd"), QStringLiteral("&Add -->"),
                        TwipsRect(3000, 2280, 1200, 330));
    MakeLabel(page, QStringLiteral("AND/OR"), TwipsRect(120, 2640, 2655, 255))
        ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    MakeLabel(page, QStringLiteral("Click the button below:"), TwipsRect(120, 2880, 2655, 255));
    cmdShow = MakeButton(page, QStringLiteral("cmdShow"), QStringLiteral("Show my contacts"),
                         TwipsRect(120, 3120, 1560, 330));
    lblSorting = MakeLabel(page, QStringLiteral("Sorting..."), TwipsRect(1800, 3180, 975, 255));
    lblSorting->hide();
    lstFriends = new QListWidget(page);
    lstFriends->setObjectName(QStringLiteral("lstFriends"));
    lstFriends->setSortingEnabled(true);
    lstFriends->setGeometry(TwipsRect(120, 3480, 2655, 1425));
    cmdAddAll = MakeButton(page, QStringLiteral("cmdAddAll"), QStringLiteral("&Add All -->"),
                           TwipsRect(3000, 3480, 1200, 330));
    cmdAddFriend = MakeButton(page, QStringLiteral("cmdAddFriend"), QStringLiteral("&Add -->"),
                              TwipsRect(3000, 3840, 1200, 330));
    cmdRemoveAll = MakeButton(page, QStringLiteral("cmdRemoveAll"),
                              QStringLiteral("<-- Remove All"), TwipsRect(3000, 4200, 1200, 330));
    cmdRemove = MakeButton(page, QStringLiteral("cmdRemove"), QStringLiteral("<-- Remove"),
                           TwipsRect(3000, 4560, 1200, 330));
    MakeLabel(page, QStringLiteral("Friends I want to tell:"), TwipsRect(4320, 2040, 2655, 255));
    lstEmails = new QListWidget(page);
    lstEmails->setObjectName(QStringLiteral("lstEmails"));
    lstEmails->setGeometry(TwipsRect(4320, 2280, 3015, 2595));
    MakeLabel(page,
              QStringLiteral(
                  "* This figure is an estimate based on each user you refer (your Level 2) "
                  "referring five users (your Level 3), and each of those Level 3 users "
                  "referring five users (your Level 4), and all of you generating $10 in revenue "
                  "per month for the company. Actual revenue generated per month may vary "
                  "according to usage,  the number of advertiser pay-for-placement links, and "
                  "the average click-through value of those links."),
              TwipsRect(120, 5040, 7215, 855), 6.75);
}

void frmRefer::BuildPage2() {
    QWidget* page = picPanel[2] = MakePage(this, QStringLiteral("picPanel2"));
    picLogo2 = new QLabel(page);
    picLogo2->setGeometry(TwipsRect(120, 120, 1500, 1845));
    picLogo2->setScaledContents(true);
    MakeLabel(page,
              QStringLiteral(
                  "To help you earn more money using Tarvel, Quellmark will email the following "
                  "message to your friends.  They can use the link in the message to sign up and "
                  "give you credit for referring them.  You can add to the message by typing "
                  "below."),
              TwipsRect(1800, 120, 5415, 1095));
    MakeLabel(page,
              QStringLiteral("By clicking on 'Finish' you authorize Quellmark to send an email on "
                             "your behalf to the email addresses you specified."),
              TwipsRect(1800, 1080, 5415, 615));
    txtMessage = new QPlainTextEdit(page);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setGeometry(TwipsRect(120, 2040, 7095, 855));
    txtMessage->setTabChangesFocus(true);
    platform::KeepAnsi(txtMessage);
    txtCanned = new QPlainTextEdit(page);
    txtCanned->setObjectName(QStringLiteral("txtCanned"));
    txtCanned->setReadOnly(true);
    txtCanned->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtCanned->setFocusPolicy(Qt::NoFocus);
    txtCanned->setGeometry(TwipsRect(120, 3000, 7095, 2775));
    page->hide();
}

frmRefer* frmRefer::Loaded() {
    return g_refer.data();
}

void frmRefer::ShowModal() {
    if (frmRefer* open = g_refer.data()) {
        open->raise();
        open->activateWindow();
        return;
    }
    frmRefer form;
    g_refer = &form;
    form.exec();
}

void frmRefer::Form_Load() {
    gReferLoaded = true;
    if (auto text = platform::ReadTextLines(gDataPath + QStringLiteral("Email.txt"))) {
        text->replace(QStringLiteral("%ID%"), QString::number(gUserID));
        txtCanned->setPlainText(*text);
    }
    const QPixmap logo = frmButton::LogoPicture();
    picLogo0->setPixmap(logo);
    picLogo2->setPixmap(logo);
    UpdateTotal();
}

bool frmRefer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // The buttons are no dialog default buttons (a default would take
        // Enter from the lists too), so a focused one takes Enter here.
        auto* button = qobject_cast<QPushButton*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && event->type() == QEvent::FocusIn) {
        CtlGotFocus(widget);
        // Enter in the address box adds the address.
        if (widget == txtEmail)
            cmdAdd->setDefault(true);
    } else if (widget && event->type() == QEvent::FocusOut) {
        CtlLostFocus(widget);
        if (widget == txtEmail)
            cmdAdd->setDefault(false);
    }
    return QDialog::eventFilter(watched, event);
}
