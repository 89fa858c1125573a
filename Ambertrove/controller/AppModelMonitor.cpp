#include "controller/AppModel.hpp"

#include <QTimer>

namespace ambertrove {

void AppModel::startMonitor() {
    if (m_monitorTask)
        return;
    m_monitorTask = m_services.sampler();
    readMonitorSample();
}

void AppModel::readMonitorSample() {
    // The reading runs on a worker; the reader is shared with nothing else, and the next reading starts
    // only after this one is shown, so it is never used by two readings at once. The worker only carries
    // the model's address into what it returns, which the runner applies on the GUI thread while the model
    // exists (the model owns the runner).
    m_runner->start(
        JobKind::utility,
        [model = this, reader = *m_monitorTask, quitting = m_quitting.get_token()]() -> JobRunner::Apply {
            MonitorSample reading;
            try {
                // A reading stuck on a slow listing ends as the controller goes: a quit never waits for it.
                reading = reader(TaskCancellation(quitting));
            } catch (const CancellationError&) {
                return {};
            }
            return [model, reading = std::move(reading)]() mutable {
                model->m_activity->record(std::move(reading));
                QTimer::singleShot(model->m_timing.monitorInterval, Qt::PreciseTimer, model,
                                   [model] { model->readMonitorSample(); });
            };
        });
}

void AppModel::showToast(const QString& title, const QString& detail, std::optional<TroveToastAction> action,
                         const QString& actionTitle) {
    TroveToast toast{Uuid::random(), title, detail, action, actionTitle};
    const Uuid id = toast.id;
    setToast(std::move(toast));
    // Only this notification is removed: one that replaced it, or a dismissal meanwhile, is left alone.
    QTimer::singleShot(m_timing.toastDuration, Qt::PreciseTimer, this, [this, id] {
        if (m_toast && m_toast->id == id)
            setToast(std::nullopt);
    });
}

void AppModel::performToastAction() {
    if (!m_toast || m_toast->action != TroveToastAction::cleanup)
        return;
    setSection(AppSection::cleanup);
    setToast(std::nullopt);
}

} // namespace ambertrove
