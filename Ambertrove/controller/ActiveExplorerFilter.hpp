#pragma once

#include "controller/ExplorerFilterID.hpp"

#include <QString>

namespace ambertrove {

// One active explorer filter as its removable chip shows it.
struct ActiveExplorerFilter {
    ExplorerFilterID id = ExplorerFilterID::name;
    // The chip's text ("Name: report", "10 MB+", "Older than 1 year").
    QString title;

    friend bool operator==(const ActiveExplorerFilter&, const ActiveExplorerFilter&) = default;
};

} // namespace ambertrove
