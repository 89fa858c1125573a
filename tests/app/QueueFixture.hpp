#pragma once

#include "AppModelFixture.hpp"

#include "cleanup/CleanupBatch.hpp"
#include "cleanup/CleanupPolicy.hpp"
#include "scan/CancellationFlag.hpp"
#include "scan/DiskScanner.hpp"

#include <QString>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Texts in failure messages as text.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace ambertrove::test {

// A controller whose cleanup policy is made for a home folder inside the test's temporary folder, with a
// scan of a small tree in that home shown.
class QueueFixture : public AppModelFixture {
protected:
    QueueFixture() {
        services.policy = [home = home, data = dataHome, proc = proc] {
            return CleanupPolicy(home, data, proc);
        };
        services.batch = [policy = services.policy](const std::vector<std::string>& paths,
                                                    const ScanResult& scan, const std::string& reason,
                                                    const CancellationFlag& flag) {
            return CleanupBatch::prepare(paths, scan, reason, flag, {}, policy);
        };
    }

    // A scan of `relative` inside the home folder.
    [[nodiscard]] ScanResultPtr scanOf(const std::string& relative) const {
        const CancellationFlag flag;
        return std::make_shared<const ScanResult>(DiskScanner().scan(home + "/" + relative, flag));
    }
    // The node at `relative` inside the home folder, from the scan shown.
    [[nodiscard]] DiskNode node(const std::string& relative) const {
        std::optional<DiskNode> found = model->scan()->nodes.node(home + "/" + relative);
        EXPECT_TRUE(found) << relative;
        return found.value_or(DiskNode());
    }
    [[nodiscard]] std::vector<DiskNode> nodes(const std::vector<std::string>& relatives) const {
        std::vector<DiskNode> result;
        for (const std::string& relative : relatives)
            result.push_back(node(relative));
        return result;
    }
    [[nodiscard]] std::string inHome(const std::string& relative) const { return home + "/" + relative; }
    // The queued paths, relative to the home folder.
    [[nodiscard]] std::vector<std::string> queued() const {
        std::vector<std::string> paths;
        for (const CleanupEntry& entry : model->queue())
            paths.push_back(entry.node.path.substr(home.size() + 1));
        return paths;
    }

    std::string home = folder.makeDir("home");
    std::string dataHome = folder.makeDir("home/.local/share");
    std::string proc = folder.makeDir("proc");
};

} // namespace ambertrove::test
