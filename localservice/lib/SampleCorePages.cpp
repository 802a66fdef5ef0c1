#include "localservice/lib/SamplePages.h"

namespace localservice {

void InstallCorePages(LocalService&, const SampleData&) {}

} // namespace localservice
