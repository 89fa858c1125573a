#pragma once

#include "base/Uuid.hpp"

#include <QString>

#include <optional>

namespace ambertrove {

// What a notification's button does.
enum class TroveToastAction {
    cleanup, // opens the Cleanup section
};

// The notification banner over the window. Every banner has its own id, so that a timer started for one
// banner can tell whether that banner is still the one shown.
struct TroveToast {
    Uuid id = Uuid::random();
    QString title;
    QString detail;
    std::optional<TroveToastAction> action;
    QString actionTitle;

    friend bool operator==(const TroveToast&, const TroveToast&) = default;
};

} // namespace ambertrove
