#pragma once
// The form-value encoding both programs put into the service's query strings
// and POST bodies. Tarvel and Enlist each keep the name URLEncode in their own
// link module; both are this one function.
#include <QString>

namespace platform {

// The five replacements of the design, in its order: " " to "+", then
// '"' to "%22", "'" to "%27", "&" to "%26", "?" to "%3F". Nothing else
// changes, so "+" and "%" pass as they are.
QString URLEncode(const QString& text);

} // namespace platform
