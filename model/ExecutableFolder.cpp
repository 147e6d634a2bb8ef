// The one platform-specific look-up of where the data is found: the running executable's folder.

#include <system_error>

#include "DataLocation.h"

namespace runwell {

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : exe.parent_path();
}

}  // namespace runwell
