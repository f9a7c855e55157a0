#pragma once

#include <QDialog>
#include <QTimer>

#include "platform/LegacyObjectNames.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;

namespace qm {

class Clock;
class ScheduleListModel;
class UserDialogs;

// The task dialog's objects that the skin selects by their old names.
constexpr LegacyObjectName kTaskDialogLegacyObjectNames[] = {
    { "clock", "SkinLabel1" },
};

// The task dialog, "Scheduler": enters one task (address, comment, start date and time) into the list.
class SchedulerDialog : public QDialog
{
    Q_OBJECT
public:
    SchedulerDialog(ScheduleListModel& model, const Clock& clock, UserDialogs& dialogs, QWidget* parent = nullptr);

    // "OK": a blank address gives "Url is error" and the dialog stays; otherwise the row is appended
    // with "Waiting" and the dialog closes.
    void accept() override;

    void showClock(); // the clock timer's tick: the clock label shows the present date and time

    // The start-time text of the pickers' present values.
    QString startTimeText() const;

private:
    ScheduleListModel& m_model;
    const Clock& m_clock;
    UserDialogs& m_dialogs;
    QLineEdit* m_url;
    QLineEdit* m_comment;
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLabel* m_clockLabel;
    QTimer m_timer;
};

} // namespace qm
