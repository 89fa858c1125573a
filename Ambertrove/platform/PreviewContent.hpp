#pragma once

#include "base/TaskCancellation.hpp"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>
#include <optional>

namespace ambertrove {

// What the preview shows of one item, read off the GUI thread: an image, the start of a text file, or
// only the item's facts. Reading never runs, opens with a program or follows into anything but a regular
// file: a script, a desktop entry or an executable is text or facts like any other file.
struct PreviewContent {
    enum class Kind { image, text, facts };

    static constexpr std::int64_t kTextBytes = 64 * 1024;
    static constexpr std::int64_t kImageBytes = 64 * 1024 * 1024;
    static constexpr int kImageSide = 2048; // larger images are scaled down to fit a square this size

    QString path;
    Kind kind = Kind::facts;
    QImage image;
    QString text;
    bool textTruncated = false; // the file goes on after the text shown
    // Label and value: "Name", "Kind", "Size" (absent for a folder of unknown size), "Modified".
    QList<QPair<QString, QString>> facts;
    QString error; // why the item could not be read, or ""

    // Reads `path`. `knownSize`, when given, is the size to show (a folder's total from the scan). Once
    // `cancellation` is cancelled (nobody waits for the content any more) an image is neither read whole
    // nor decoded: what was gathered so far comes back, for nobody to show.
    [[nodiscard]] static PreviewContent load(const QString& path, std::optional<std::int64_t> knownSize = {},
                                             const TaskCancellation& cancellation = {});
};

} // namespace ambertrove
