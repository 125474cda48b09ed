#include "app/CleaningJob.h"

bool StartCleaning(CleaningWindow& window, bool alarm, const CleaningServices& services) {
    if (window.IsRunning()) {
        return false;
    }
    window.SetIsRunning(true);
    auto ui = services.ui;
    auto purge = services.purge;
    CleaningWindow* target = &window;
    bool started = false;
    try {
        started = services.startWorker([ui, purge, target, alarm] {
            // The purge reports nothing; whatever it throws is dropped so the job always completes.
            try {
                purge();
            } catch (...) {
            }
            ui->Send([target, alarm] { target->CleaningDone(alarm); });
        });
    } catch (...) {
        started = false;
    }
    if (!started) {
        window.CleaningDone(false);
    }
    return started;
}
