#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/Error.h"

class QPushButton;
class QTreeView;

namespace qm {

class Clock;
class ScheduleListModel;
class ScheduleStore;
class SchedulerDialog;
class UserDialogs;

// The schedule window, "Schedule": the task list with Add, Remove, Clear and OK. Created at start-up and kept for the
// whole run; closing it only hides it, so the scheduler's timer goes on.
class ScheduleWindow : public QWidget
{
    Q_OBJECT
public:
    ScheduleWindow(ScheduleListModel& model, ScheduleStore& store, const Clock& clock, UserDialogs& dialogs,
        QWidget* parent = nullptr);

    // Applied to this window now and to each Scheduler dialog it opens.
    void setSkin(std::function<void(QWidget*)> applySkin);

    void bringOnScreen(); // the "Schedule" commands: shown and activated, not modal
    void openEntryDialog(); // "Add": the task dialog, modal to this window
    void removeSelected(); // "Remove"
    Result<void> saveAndHide(); // "OK", and the unload at exit; the outcome of the schedule's write

    QTreeView* list() const { return m_list; }
    SchedulerDialog* entryDialog() const { return m_entry; } // null unless open

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ScheduleListModel& m_model;
    ScheduleStore& m_store;
    const Clock& m_clock;
    UserDialogs& m_dialogs;
    std::function<void(QWidget*)> m_applySkin;
    QTreeView* m_list;
    QPointer<SchedulerDialog> m_entry;
};

} // namespace qm
