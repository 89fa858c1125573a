#pragma once

#include "analysis/TaskCancellation.hpp"
#include "base/Date.hpp"
#include "model/DiskNode.hpp"
#include "model/ScanResult.hpp"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace ambertrove::CSVExport {

// UTF-8 without a byte-order mark; every line ends with CR LF.
inline constexpr std::string_view kHeader = "path,name,bytes,allocated,files,kind,modified\r\n";
// Lines collect in a buffer that is written out whenever it holds this much, so memory stays bounded.
inline constexpr std::size_t kWriteThreshold = 262'144;
inline constexpr std::string_view kTemporaryPrefix = ".Ambertrove-export-";

// Writes the rows of `paths` (in that order; paths the scan lacks are skipped) to `destination`. The rows go
// to a hidden temporary file beside it, created exclusively, which is synced and renamed over the
// destination only when everything was written: a failed or cancelled export leaves the destination as it
// was and no temporary behind. Throws CancellationError, or std::system_error with errno's code.
void write(std::span<const std::string> paths, const ScanResult& scan, const std::string& destination,
           const TaskCancellation& cancellation = {});

// The same text in memory, one line per node in list order.
[[nodiscard]] std::string encode(std::span<const DiskNode> nodes);

// A text field: bytes that are not UTF-8 become U+FFFD, a leading "=", "+", "-", "@", tab or carriage
// return gets an apostrophe in front (so that a spreadsheet shows it as text instead of running it), quotes
// are doubled and the whole is quoted.
[[nodiscard]] std::string textField(std::string_view text);
// The internet date-time form in UTC, to the second ("2024-03-01T12:00:00Z"); empty for a date that has
// none.
[[nodiscard]] std::string internetDateTime(Date date);

} // namespace ambertrove::CSVExport
