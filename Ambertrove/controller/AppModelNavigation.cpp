#include "controller/AppModel.hpp"

#include "platform/PathResolution.hpp"
#include "scan/ScanPaths.hpp"

#include <algorithm>

namespace ambertrove {

namespace {

const char* const kNoScanNotice = "Choose Scan Full Mac to load your folders.";
const char* const kOutsideLiveScanNotice = "This folder is outside the scan in progress.";

// The folder that holds `path`, as a file URL without its last component: "/" for a top-level entry and
// for "/" itself.
std::string parentFolder(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return trimmed.substr(0, slash);
}

} // namespace

std::optional<DiskNode> AppModel::focus() const {
    if (!m_scan)
        return std::nullopt;
    if (m_focusPath) {
        if (std::optional<DiskNode> node = m_scan->nodes.node(*m_focusPath))
            return node;
    }
    return m_scan->root();
}

NodeIndex AppModel::focusIndex() const {
    if (!m_scan)
        return kNoNode;
    if (m_focusPath) {
        const NodeIndex found = m_scan->nodes.find(*m_focusPath);
        if (found != kNoNode)
            return found;
    }
    return m_scan->rootIndex();
}

std::optional<DiskNode> AppModel::selected() const {
    if (!m_scan || !m_selection)
        return std::nullopt;
    return m_scan->nodes.node(*m_selection);
}

const FolderNavigationHistory& AppModel::displayedNavigation() const {
    return m_scanning ? m_liveNavigation : m_navigation;
}

std::optional<std::string> AppModel::displayedFolderPath() const {
    if (m_scanning)
        return m_liveFocusPath ? *m_liveFocusPath : m_scanRootPath;
    const NodeIndex focused = focusIndex();
    if (focused == kNoNode)
        return std::nullopt;
    return m_scan->nodes.path(focused);
}

std::vector<DiskNode> AppModel::navigationBreadcrumbs() const {
    if (m_scanning) {
        if (!m_scanProgress || !m_scanProgress->browsing)
            return {};
        return m_scanProgress->browsing->ancestors;
    }
    return breadcrumbs();
}

std::vector<DiskNode> AppModel::breadcrumbs() const {
    const NodeIndex focused = focusIndex();
    if (focused == kNoNode)
        return {};
    // The crumbs are made without their children lists: the bar asks for them at every change of the
    // folder, and a folder may hold very many entries.
    std::vector<DiskNode> chain{m_scan->nodes.makeNode(focused, false)};
    while (chain.back().parent) {
        const NodeIndex parent = m_scan->nodes.find(*chain.back().parent);
        // A stored scan may name a parent it does not hold; the walk ends there. A node never names
        // itself, but a damaged file could: the walk stops rather than loops.
        if (parent == kNoNode || chain.size() > m_scan->nodes.recordCount())
            break;
        DiskNode node = m_scan->nodes.makeNode(parent, false);
        if (node.path == chain.back().path)
            break;
        chain.push_back(std::move(node));
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
}

bool AppModel::canGoUp() const {
    if (m_scanning) {
        const std::optional<std::string> shown = displayedFolderPath();
        return !shown || *shown != m_scanRootPath;
    }
    const NodeIndex focused = focusIndex();
    return focused != kNoNode && m_scan->nodes.parentNode(focused) != kNoNode;
}

std::optional<VolumeInfo> AppModel::volume() const {
    const std::vector<VolumeInfo>& sampled = m_activity->sample().volumes;
    if (!m_scan) {
        if (!sampled.empty())
            return sampled.front();
    } else {
        // The monitor's latest reading of the volume that holds the scan: the deepest mount path containing
        // the root.
        const VolumeInfo* holder = nullptr;
        for (const VolumeInfo& volume : sampled) {
            if (PathResolution::isSameOrInside(m_scan->rootPath, volume.path) &&
                (!holder || volume.path.size() > holder->path.size()))
                holder = &volume;
        }
        if (holder) {
            VolumeInfo info = *holder;
            info.path = m_scan->rootPath;
            return info;
        }
        // Else the reading made with the scan, off the GUI thread.
        if (m_scanVolume && m_scanVolume->first == m_scan->id && m_scanVolume->second)
            return m_scanVolume->second;
    }
    // No reading holds it yet: read it here, at most once per scan and per monitor reading.
    const std::optional<Uuid> scanID = m_scan ? std::optional<Uuid>(m_scan->id) : std::nullopt;
    const Date sampleDate = m_activity->sample().date;
    if (!m_volumeReading || m_volumeReading->scan != scanID || m_volumeReading->sample != sampleDate)
        m_volumeReading =
            VolumeReading{scanID, sampleDate, VolumeInfo::read(m_scan ? m_scan->rootPath : "/")};
    return m_volumeReading->volume;
}

void AppModel::focus(const DiskNode& node) {
    if (m_scanning) {
        // The selection stays as it is during a scan.
        if (node.isDirectory && !node.isSymbolicLink)
            navigateLive(node.path, true);
        return;
    }
    setSelection(node.path);
    if (!node.isDirectory)
        return;
    FolderNavigationHistory history = m_navigation;
    history.visit(node.path);
    setNavigation(std::move(history));
    setFocusPath(node.path);
    setActiveQuickWin(std::nullopt);
    setFilter(QString());
}

void AppModel::browseLocation(const std::string& path) {
    setSection(AppSection::explore);
    setActiveQuickWin(std::nullopt);
    if (m_scanning) {
        navigateLive(path, true);
        return;
    }
    if (!m_scan) {
        setNotice(QString::fromUtf8(kNoScanNotice));
        return;
    }
    if (std::optional<DiskNode> folder = m_scan->directory(path)) {
        clearNavigationNotice();
        focus(*folder);
    } else {
        setNotice(QString::fromUtf8(kNotInScanNotice));
    }
}

void AppModel::clearNavigationNotice() {
    if (!m_notice)
        return;
    for (const char* text : {kNoScanNotice, kNotInScanNotice, kOutsideLiveScanNotice}) {
        if (*m_notice == QString::fromUtf8(text)) {
            setNotice(std::nullopt);
            return;
        }
    }
}

void AppModel::navigateLive(const std::string& path, bool recordHistory) {
    // The live cards outlive the scan by a moment; after it the finished scan's navigation applies.
    if (!m_scanning)
        return;
    const std::string prefix = m_scanRootPath == "/" ? std::string("/") : m_scanRootPath + "/";
    const std::vector<std::string> forms = ScanPaths::candidates(path);
    const auto found = std::find_if(forms.begin(), forms.end(), [&](const std::string& form) {
        return form == m_scanRootPath || form.starts_with(prefix);
    });
    if (found == forms.end()) {
        setNotice(QString::fromUtf8(kOutsideLiveScanNotice));
        return;
    }
    const std::string& target = *found;
    clearNavigationNotice();
    FolderNavigationHistory history = m_liveNavigation;
    if (!history.current)
        history.reset(m_scanRootPath);
    if (recordHistory)
        history.visit(target);
    setLiveNavigation(std::move(history));
    setLiveFocusPath(target);
    m_scanNavigation->focus(target);
    setFilter(QString());
}

void AppModel::goUp() {
    if (m_scanning) {
        const std::optional<std::string> shown = displayedFolderPath();
        if (!canGoUp() || !shown)
            return;
        navigateLive(parentFolder(*shown), true);
        return;
    }
    const std::optional<DiskNode> node = focus();
    if (!node || !node->parent)
        return;
    if (std::optional<DiskNode> parent = m_scan->nodes.node(*node->parent))
        focus(*parent);
}

void AppModel::goBack() {
    stepHistory(true);
}

void AppModel::goForward() {
    stepHistory(false);
}

void AppModel::stepHistory(bool back) {
    if (m_scanning) {
        FolderNavigationHistory history = m_liveNavigation;
        const std::optional<std::string> path = back ? history.goBack() : history.goForward();
        if (!path)
            return;
        setLiveNavigation(std::move(history));
        navigateLive(*path, false);
        return;
    }
    FolderNavigationHistory history = m_navigation;
    const std::optional<std::string> path = back ? history.goBack() : history.goForward();
    if (!path)
        return;
    setNavigation(std::move(history));
    // Not looked up: focus() falls back to the root when the folder is gone.
    setFocusPath(*path);
    setSelection(std::nullopt);
    setActiveQuickWin(std::nullopt);
    setFilter(QString());
}

void AppModel::copyPath(const DiskNode& node) {
    m_platform->copyText(QString::fromStdString(node.path));
    setNotice(QStringLiteral("Path copied."));
}

void AppModel::quickLook(const DiskNode& node) {
    // Folders and files alike: the preview decides what it can show.
    m_platform->preview(node.path);
}

void AppModel::reveal(const DiskNode& node) {
    reveal(node.path);
}

void AppModel::reveal(const std::string& path) {
    m_platform->reveal(path);
}

} // namespace ambertrove
