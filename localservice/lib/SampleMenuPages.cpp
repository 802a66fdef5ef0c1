#include "localservice/lib/SamplePages.h"

namespace localservice {

void InstallMenuPages(LocalService&, const SampleData&) {}

} // namespace localservice
