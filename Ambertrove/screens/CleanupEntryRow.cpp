#include "screens/CleanupEntryRow.hpp"

#include "model/Formatting.hpp"

namespace ambertrove {

CleanupEntryRow CleanupEntryRow::of(const CleanupEntry& entry) {
    CleanupEntryRow row;
    row.path = entry.node.path;
    row.name = QString::fromStdString(entry.node.name());
    row.shownPath = QString::fromStdString(entry.node.path);
    row.size = QString::fromStdString(formattedBytes(entry.node.allocatedSize));
    row.bytes = entry.node.allocatedSize;
    row.isDirectory = entry.node.isDirectory;
    row.hasRetainedCopies = !entry.retainedCopies.empty();
    return row;
}

QString CleanupEntryRow::symbol() const {
    if (isProtected())
        return QStringLiteral("lock.shield");
    return isDirectory ? QStringLiteral("folder") : QStringLiteral("doc");
}

CleanupEntryRow::Note CleanupEntryRow::note() const {
    if (isProtected())
        return Note::rejection;
    return hasRetainedCopies ? Note::keptCopy : Note::none;
}

QString CleanupEntryRow::noteText() const {
    switch (note()) {
    case Note::rejection:
        return *rejection;
    case Note::keptCopy:
        return QStringLiteral("Duplicate — kept copy will be checked again");
    case Note::none:
        break;
    }
    return {};
}

} // namespace ambertrove
