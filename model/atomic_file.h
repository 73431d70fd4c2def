// Whole files written so that a failure never leaves a half-written file behind: the bytes
// go to a temporary file in the same folder, which is renamed over the target once it is
// complete and on the disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kurimo {

// Writes `bytes` to `path`, replacing any file there. Returns no value on success, or the
// reason for the failure in words for the user (as DescribeSystemError gives it). On
// failure the target is as it was before and no temporary file remains.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes);

// The byte-order mark that tells spreadsheet programs a CSV file is UTF-8.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace kurimo
