#include "localservice/lib/LocalService.h"

namespace localservice {
struct LocalService::Impl {};
LocalService::LocalService() : d(std::make_unique<Impl>()) {}
LocalService::~LocalService() = default;
int LocalService::Start(int) { return 0; }
void LocalService::Stop() {}
} // namespace localservice
