// The form-definition file of a form category, as the server sends it: the
// reading stops cleanly on anything malformed and never asks for more than a
// panel can build.
#include "menus/FormDefinition.h"

#include <cstddef>
#include <cstdint>

namespace {

bool InTwips(int value) {
    return value >= -30000 && value <= 30000;
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
    return 0;
}
