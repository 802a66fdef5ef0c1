// The form-definition file of a form category, as the server sends it: the
// reading stops cleanly on anything malformed and never asks for more than a
// panel can build; and the real panel (offscreen) built from the file, as a
// form row opens it, holds what the reading found and paints.
#include "core/clsItemManager.h"
#include "core/modGlobals.h"
#include "fuzz/OffscreenApp.h"
#include "localservice/lib/SampleDatabase.h"
#include "menus/FormDefinition.h"
#include "menus/frmForm.h"
#include "platform/Twips.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool InTwips(int value) {
    return value >= -30000 && value <= 30000;
}

constexpr int kFormRow = 60;
const QString kFormFile = QStringLiteral("fuzz.frm");

// A data folder whose menu table has one form row, and an images folder; no
// server answers (a picture the file names is not there, and fails).
void MakeWorld() {
    static QTemporaryDir dir; // removed at the end of the run
    if (!dir.isValid())
        std::abort();
    modGlobals::gDataPath = dir.filePath(QStringLiteral("data/"));
    modGlobals::gImagesPath = dir.filePath(QStringLiteral("images/"));
    QDir().mkpath(modGlobals::gDataPath);
    QDir().mkpath(modGlobals::gImagesPath);
    modGlobals::gServerHost = QStringLiteral("127.0.0.1:9");
    modGlobals::gServerPath = QStringLiteral("/Vantrix/internal/");
    localservice::SampleRecord r;
    r.id = kFormRow;
    r.parentId = 1;
    r.name = QStringLiteral("Quote");
    r.form = kFormFile;
    if (!localservice::WriteMenuTable(modGlobals::gDataPath + QStringLiteral("MenuItems.dat"), {r}))
        std::abort();
    frmForm::SetDownloadTimeoutMs(50);
    // Reports of bad files go to the log; keep the run quiet.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

// Builds the panel from the file as a form row opens it and checks it
// against what the reading found.
void BuildPanel(const QByteArray& bytes, const menus::FormDefinition& def) {
    {
        QFile file(modGlobals::gDataPath + kFormFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
    }
    frmForm panel;
    panel.SetParentCategoryID(kFormRow);
    // Element 0 of each array is the template.
    const auto built = [](const auto& controls) { return qsizetype(controls.size()) - 1; };
    const bool whole = def.HaveSize && def.HaveSubmitURL && def.HaveButton;
    if (!whole && (built(panel.lblText) || built(panel.txtField) || built(panel.cboSelect)))
        __builtin_trap();
    if (whole) {
        if (built(panel.lblText) != def.Labels.size() ||
            built(panel.txtField) != def.Fields.size() ||
            built(panel.cboSelect) != def.Selects.size() ||
            built(panel.imgX) > def.Pictures.size() || panel.m_HiddenCount != def.Hidden.size() ||
            panel.cmdSubmit->text() != def.ButtonCaption)
            __builtin_trap();
        for (qsizetype k = 0; k < def.Selects.size(); ++k)
            if (panel.cboSelect[size_t(k + 1)]->count() != def.Selects[k].Texts.size())
                __builtin_trap();
    }
    if (def.HaveSize && panel.size() != QSize(platform::TwipsToPixelsX(def.Width),
                                              platform::TwipsToPixelsY(def.Height)))
        __builtin_trap();
    // It paints (a panel of no width has nothing to paint).
    if (!panel.size().isEmpty() && panel.grab().isNull())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using menus::FormDefinition;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const FormDefinition def = menus::ParseFormDefinition(bytes);
    // A wrong version reads nothing else.
    if (!def.VersionOK && (def.HaveSize || !def.Labels.isEmpty() || !def.Hidden.isEmpty()))
        __builtin_trap();
    const qsizetype controls =
        def.Labels.size() + def.Fields.size() + def.Selects.size() + def.Pictures.size();
    if (controls > FormDefinition::kMaxControls || def.Hidden.size() > FormDefinition::kMaxHidden ||
        def.Selects.size() > FormDefinition::kMaxSelects)
        __builtin_trap();
    for (const menus::FormSelect& s : def.Selects) {
        if (s.Values.size() != s.Texts.size() || s.Values.size() > FormDefinition::kMaxOptions)
            __builtin_trap();
    }
    for (const menus::FormLabel& l : def.Labels) {
        if (!InTwips(l.Left) || !InTwips(l.Top))
            __builtin_trap();
    }
    // A stop always says why, with its number.
    if (def.Error.isEmpty() != (def.ErrorNumber == 0))
        __builtin_trap();
    // The browser is only ever given a web address.
    const QString address = menus::BrowserAddress(def.SubmitURL);
    if (!address.isEmpty() && !address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        __builtin_trap();
    (void)menus::DecodeWindows1252(bytes.left(64));

    fuzz::OffscreenApp();
    static const bool world = (MakeWorld(), true);
    (void)world;
    BuildPanel(bytes, def);
    return 0;
}
