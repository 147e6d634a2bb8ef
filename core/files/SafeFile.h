#pragma once

#include <filesystem>
#include <functional>
#include <ostream>

#include "base/Result.h"

namespace runwell {

/// Writes a file so that the previous one survives any failure: `write` fills a temporary file in
/// the target's folder, which replaces the target only when it is complete and flushed to disk.
/// "Cannot open file for writing." when the temporary file cannot be created or the target exists
/// and is not a writable regular file; "An error occurred while writing the file. The previous
/// file was kept unchanged." when `write` returns false or writing, flushing or the final rename
/// fails. No temporary file is left behind, also when `write` throws. A replaced file keeps its
/// permission bits; a symbolic link stays a link and the file it points to is replaced, and links
/// that do not end within 40 steps (a loop) give "Cannot open file for writing.". A file size
/// limit makes the write fail rather than end the process. The temporary file is named
/// ".NAME.runwell-XXXXXX"; one of that pattern left by a writer that was killed before this
/// process started is removed by the next write to the same target.
/// `write` returns false when it could not write everything.
Status WriteFileSafely(const std::filesystem::path& target,
                       const std::function<bool(std::ostream&)>& write);

}  // namespace runwell
