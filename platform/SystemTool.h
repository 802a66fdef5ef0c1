#pragma once
// The operating system's system-information tool, as the About box starts it
// when the registry layer names none (frmAbout::StartSysInfo asks that first):
// the known Linux tools below, looked for on the PATH.
#include <QString>
#include <QStringList>

namespace platform {

// The Linux tools, in the order they are preferred.
QStringList KnownSystemInfoTools();

// The full path of the first of `names` that is an executable file in a
// folder of the PATH environment variable; "" when none is.
QString FindOnPath(const QStringList& names);

// The first known tool on the PATH; "" when there is none.
QString LinuxSystemInfoTool();

} // namespace platform
