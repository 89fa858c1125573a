#pragma once

namespace ambertrove {

// What the explorer, its tests and its measurements ask of a storage view beside being a widget.
class StorageBody {
public:
    virtual ~StorageBody() = default;

    // The view shows the result of what the controller asks for now (its key is current): not a previous
    // result kept on screen while a new one is computed, and not a placeholder. An empty state that is
    // the answer counts as a result.
    [[nodiscard]] virtual bool showsCurrentResult() const = 0;

protected:
    StorageBody() = default;
    StorageBody(const StorageBody&) = default;
    StorageBody& operator=(const StorageBody&) = default;
};

} // namespace ambertrove
