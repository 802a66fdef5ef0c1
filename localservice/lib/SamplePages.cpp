#include "localservice/lib/SamplePages.h"

namespace localservice {

void InstallSamplePages(LocalService& service, const SampleData& data) {
    InstallCorePages(service, data);
    InstallStorePages(service, data);
    InstallMenuPages(service, data);
    InstallEnlistPages(service, data);
    InstallShellPages(service, data);
}

} // namespace localservice
