#include "localservice/lib/SamplePages.h"

namespace localservice {

void InstallEnlistPages(LocalService&, const SampleData&) {}

} // namespace localservice
