#include "DeviceCatalogue.h"

#include <algorithm>
#include <fstream>

#include "Messages.h"
#include "Text.h"

namespace runwell {
namespace {

bool HasCsvExtension(const std::string& name) {
    return name.size() > 4 && StartsWithIgnoringCase(std::string_view(name).substr(name.size() - 4), ".csv");
}

}  // namespace

DeviceScan ScanDeviceFolder(const std::filesystem::path& dataFolder) {
    DeviceScan scan;
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dataFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        if (HasCsvExtension(name) && !it->is_directory(ec)) {
            names.push_back(name);
        }
    }
    // Byte order of the names, so the result never depends on the file system's order.
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        const std::filesystem::path file = dataFolder / PathFromUtf8(name);
        std::ifstream in(file, std::ios::binary);
        std::string line;
        if (!in || (!std::getline(in, line) && !in.eof())) {
            scan.messages.push_back(msg::kCannotOpenDeviceFile);
            continue;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        for (const std::string_view field : SplitFields(line)) {
            scan.entries.push_back({std::string(field), file});
        }
    }
    std::stable_sort(scan.entries.begin(), scan.entries.end(),
                     [](const DeviceEntry& a, const DeviceEntry& b) {
                         return LessIgnoringCase(a.name, b.name);
                     });
    return scan;
}

}  // namespace runwell
