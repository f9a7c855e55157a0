#include "scheduler/ScheduleDesktopUi.h"

#include <cstdio>
#include <memory>

#include "capture/PageConversion.h"
#include "desktop/DesktopHooks.h"
#include "platform/AppHome.h"
#include "platform/Clock.h"
#include "platform/UserDialogs.h"
#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "scheduler/ScheduleWindow.h"
#include "scheduler/Scheduler.h"
#include "scheduler/SchedulerDialog.h"
#include "settings/SettingsSource.h"

namespace qm {

namespace {
// Everything the scheduler keeps for the run; gone at the unload, before the engines go.
struct ScheduleDesktop
{
    std::unique_ptr<FileSettings> settings;
    std::unique_ptr<Scheduler> scheduler;
    std::unique_ptr<ScheduleWindow> window;
};
} // namespace

void RegisterScheduleWindow(DesktopHooks& hooks, EnginePool& engines)
{
    auto state = std::make_shared<ScheduleDesktop>();

    hooks.loadScheduleWindow = [state, &hooks, &engines] {
        if (state->window || !hooks.home || !hooks.dialogs)
            return;
        const AppHome& home = *hooks.home;
        state->settings = std::make_unique<FileSettings>(home.settingsPath());
        // The main window's kind of page runner on the same browsers; nothing it says is shown to the user,
        // the row gets the outcome.
        auto pages = std::make_unique<PageConversion>(engines, home.path());
        PageConversion* conversion = pages.get();
        state->scheduler
            = std::make_unique<Scheduler>(home.schedulePath(), std::move(pages), *state->settings, Clock::system());
        // A page that completes while the task list is empty is not captured.
        conversion->setRowsPresent([model = &state->scheduler->model()] { return model->rowCount() > 0; });
        // An unreadable file leaves an empty list and the timer runs anyway; the user hears of it once.
        if (const Result<void> started = state->scheduler->start(); !started && hooks.dialogs) {
            const ScheduleStore& store = state->scheduler->store();
            QString text = QStringLiteral("The schedule could not be loaded: %1.").arg(started.error().message);
            if (store.holdsUnreadableFile())
                text += QStringLiteral(
                    " The file is kept: it is moved to %1.unreadable when the schedule is next changed.")
                            .arg(store.path());
            hooks.dialogs->message(nullptr, UserDialogs::Icon::Error, text);
        }
        state->window = std::make_unique<ScheduleWindow>(
            state->scheduler->model(), state->scheduler->store(), Clock::system(), *hooks.dialogs);
        state->window->setSkin(hooks.applySkin);
        // Created hidden: the timer runs whether or not the window is on screen.
    };
    hooks.showScheduleWindow = [state] {
        if (state->window)
            state->window->bringOnScreen();
    };
    hooks.unloadScheduleWindow = [state] {
        if (state->window) {
            // The last chance to keep the tasks: a failure is told where someone may still read it.
            if (const Result<void> saved = state->window->saveAndHide(); !saved)
                std::fprintf(stderr, "quillmark: the schedule was not saved to %s: %s\n",
                    qPrintable(state->scheduler->store().path()), qPrintable(saved.error().message));
        }
        state->window.reset();
        state->scheduler.reset();
        state->settings.reset();
    };
}

} // namespace qm
