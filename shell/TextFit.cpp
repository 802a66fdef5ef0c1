#include "shell/TextFit.h"

#include "platform/Twips.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>

namespace {

bool Fits(const QLabel* label, const QFont& font) {
    const int flags = (label->wordWrap() ? Qt::TextWordWrap : 0) | label->alignment();
    const QRect need =
        QFontMetrics(font).boundingRect(QRect(0, 0, label->width(), 10000), flags, label->text());
    return need.width() <= label->width() && need.height() <= label->height();
}

} // namespace

void FitLabels(QWidget* window) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        QFont font = label->font();
        while (font.pointSizeF() > 5.5 && !Fits(label, font))
            font.setPointSizeF(font.pointSizeF() - 0.25);
        if (font != label->font())
            label->setFont(font);
    }
    // An option's text runs beside its indicator on one line.
    for (QRadioButton* option : window->findChildren<QRadioButton*>()) {
        while (option->font().pointSizeF() > 5.5 && option->sizeHint().width() > option->width()) {
            QFont font = option->font();
            font.setPointSizeF(font.pointSizeF() - 0.25);
            option->setFont(font);
        }
    }
}

void SetUpFixedDialog(QDialog* dialog, const QSize& sizeTwips, bool white) {
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog->setFixedSize(platform::TwipsToPixels(sizeTwips));
    QFont dialogFont(QStringLiteral("Liberation Sans"));
    dialogFont.setPointSizeF(8.0);
    dialog->setFont(dialogFont);
    if (white) {
        QPalette pal = dialog->palette();
        pal.setColor(QPalette::Window, Qt::white);
        dialog->setPalette(pal);
        dialog->setAutoFillBackground(true);
    }
}
