#pragma once

#include "base/TaskCancellation.hpp"
#include "model/ScanResult.hpp"
#include "platform/AtomicFile.hpp"

#include <cstdio>
#include <string>
#include <string_view>

namespace ambertrove::ScanJson {

// The JSON form of a scan, written depth-first from the compact table without building node values. Paths
// keep their exact bytes (see writeJsonPath()). Throws EncodingError for a scan that would not read back
// (a path holding NUL, a date that is not finite). Writing and reading look at `cancellation` every few
// thousand nodes and throw CancellationError once it is cancelled.
void write(const ScanResult& scan, std::FILE* file, const TaskCancellation& cancellation = {});
std::string encode(const ScanResult& scan);
// Writes the scan to `path` atomically, creating it with `mode` (see writeFileAtomically()): a cancelled
// or failed write leaves `path` as it was and no temporary file behind.
void writeFile(const ScanResult& scan, const std::string& path, unsigned mode = kSharedFileMode,
               const TaskCancellation& cancellation = {});

// Reads a scan, streaming, straight into the compact table. Throws DecodingError for anything that is
// not a complete scan (missing key, wrong type, value out of range, truncated or malformed text);
// std::system_error when the file cannot be read; CancellationError once `cancellation` is cancelled.
ScanResult decode(std::string_view text, const TaskCancellation& cancellation = {});
// decode() without its quick reader, which reads plain texts at once and leaves the rest to the full
// reader: for tests that hold the two to the same answers.
ScanResult decodeWithFullReader(std::string_view text, const TaskCancellation& cancellation = {});
ScanResult read(std::FILE* file, const TaskCancellation& cancellation = {});
ScanResult readFile(const std::string& path, const TaskCancellation& cancellation = {});

} // namespace ambertrove::ScanJson
