#include "controller/AppModel.hpp"
#include "controller/ManualJobRunner.hpp"
#include "storage/MemoryPreferenceStore.hpp"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

// Built from the controller library alone, with no drawing library to link: it fails to link when the
// controller comes to use one. Running it builds a controller under a plain QCoreApplication.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 2;
    const std::string path = folder.path().toStdString();
    ambertrove::AppEnvironment environment(ambertrove::SnapshotStore(path + "/Snapshots"), path + "/state",
                                           true, std::make_shared<ambertrove::MemoryPreferenceStore>());
    auto runner = std::make_unique<ambertrove::ManualJobRunner>();
    ambertrove::ManualJobRunner* manual = runner.get();
    environment.runner = std::move(runner);
    environment.services.sampler = [] {
        return ambertrove::Services::SampleReader(
            [](const ambertrove::TaskCancellation&) { return ambertrove::MonitorSample(); });
    };
    ambertrove::AppModel model(std::move(environment));
    manual->run();
    if (model.activity().history().size() != 1 || model.error()) {
        std::fputs("The controller did not start as expected.\n", stderr);
        return 1;
    }
    return 0;
}
