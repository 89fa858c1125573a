#pragma once

#include "controller/AppModel.hpp"

namespace ambertrove {

// Reaches the controller's private operations that tests exercise directly.
class AppModelTestPeer {
public:
    static void readSnapshotCatalog(AppModel& model) { model.readSnapshotCatalog(); }
    // Waits until every state write and catalog read asked for so far has run.
    static void waitForStateThread(AppModel& model) { model.m_stateWriter->waitUntilIdle(); }
};

} // namespace ambertrove
