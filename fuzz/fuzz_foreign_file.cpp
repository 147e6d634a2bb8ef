// What a file given for a settings file plainly is (runwell-cli's "board.csv is a CSV file, not a
// settings file"), and the text columns its cells take in a table.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "base/Text.h"
#include "files/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const std::string_view extension : {"", ".set", ".CSV", ".json"}) {
        const runwell::ForeignFile kind = runwell::ClassifyForeignFile(bytes, extension);
        // A settings file always holds NUL bytes: no such input may be taken for text.
        if (bytes.find('\0') != std::string_view::npos || bytes.empty()) {
            RUNWELL_FUZZ_CHECK(kind == runwell::ForeignFile::kNone);
        }
        if (extension == ".CSV" && kind != runwell::ForeignFile::kNone) {
            RUNWELL_FUZZ_CHECK(kind == runwell::ForeignFile::kCsv ||
                               kind == runwell::ForeignFile::kJson);
        }
    }

    // Every cell, whatever its bytes, is one column per character or stray byte, and the layout
    // keeps two blanks after it.
    const std::size_t columns = runwell::TextColumns(bytes);
    RUNWELL_FUZZ_CHECK(columns <= bytes.size() && (columns > 0) == !bytes.empty());
    const std::string cell(bytes);
    const std::string text = runwell::LayOutColumns({{cell, "x"}, {"y", "z"}});
    RUNWELL_FUZZ_CHECK(text.find(cell + "  ") == 0);
    RUNWELL_FUZZ_CHECK(text.ends_with("z\n"));
    return 0;
}
