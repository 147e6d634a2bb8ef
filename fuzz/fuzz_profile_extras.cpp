// The sidecar of a profile's extras: any bytes read as one. A sidecar that is accepted must
// carry a usable voltage and read back the same from what it writes; one that is refused says
// why.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "files/ProfileExtras.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const runwell::Result<runwell::ProfileExtras> extras = runwell::ParseProfileExtras(content);
    if (!extras) {
        RUNWELL_FUZZ_CHECK(!extras.error().message.empty());
        return 0;
    }
    if (extras->minimumVoltage) {
        RUNWELL_FUZZ_CHECK(*extras->minimumVoltage > 0.0 && *extras->minimumVoltage <= 100.0);
    }
    const runwell::Result<runwell::ProfileExtras> again =
        runwell::ParseProfileExtras(runwell::SerializeProfileExtras(*extras));
    RUNWELL_FUZZ_CHECK(again.ok());
    RUNWELL_FUZZ_CHECK(*again == *extras);
    return 0;
}
