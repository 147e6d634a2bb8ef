#include "power/RegulatorFiles.h"

#include <cstdint>
#include <utility>

#include "platform/FileRead.h"
#include "platform/NamedFiles.h"

namespace runwell {

namespace {

constexpr std::uint64_t kMaxRegulatorFileBytes = std::uint64_t{1} << 20;

}  // namespace

Result<Regulator> ReadRegulatorFile(const std::filesystem::path& file) {
    Result<std::string> content =
        ReadDataFile(file, kMaxRegulatorFileBytes,
                     "The file is larger than 1 MiB; a regulator file is a few kilobytes.");
    if (!content) {
        return content.error();
    }
    return ParseRegulator(*content);
}

RegulatorSet LoadRegulators(const std::filesystem::path& folder, const std::string& shownFolder) {
    NamedFileSet<Regulator> set =
        LoadNamedFiles<Regulator>(folder, shownFolder, ReadRegulatorFile);
    return {std::move(set.items), std::move(set.messages)};
}

RegulatorSet LoadRegulators(const DataLocation& location) {
    NamedFileSet<Regulator> set =
        LoadShippedAndOwnFiles<Regulator>(location, "Regulators", ReadRegulatorFile);
    return {std::move(set.items), std::move(set.messages)};
}

}  // namespace runwell
