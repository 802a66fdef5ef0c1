#include "localservice/lib/SamplePages.h"

namespace localservice {

void InstallStorePages(LocalService&, const SampleData&) {}

} // namespace localservice
