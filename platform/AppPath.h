#pragma once
// The program folder (App.Path of the design): the folder of the running
// executable, unless a test or the run script pointed it elsewhere.
#include <QString>

namespace platform {

QString AppPath();
void SetAppPath(const QString& folder); // "" returns to the executable's folder

} // namespace platform
