#include "ProfileFiles.h"

#include <ostream>

#include "files/SafeFile.h"

namespace runwell::cli {

int WriteOutput(const Context& context, const std::filesystem::path& target,
                const std::string& bytes) {
    if (target == "-") {
        context.out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return FinishStandardOutput(context, "output");
    }
    const Status written = WriteFileSafely(target, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.good();
    });
    if (!written) {
        PrintFailure(context.err, target, written.error().message);
        return kFailed;
    }
    return kDone;
}

}  // namespace runwell::cli
