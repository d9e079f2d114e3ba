#include "platform/own_module.h"

#include <dlfcn.h>

namespace tonvo::platform {

std::filesystem::path own_module_path() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&own_module_path), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    std::error_code failed;
    std::filesystem::path path = std::filesystem::weakly_canonical(info.dli_fname, failed);
    return failed ? std::filesystem::path(info.dli_fname) : path;
}

} // namespace tonvo::platform
