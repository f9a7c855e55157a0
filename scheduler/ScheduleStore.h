#pragma once

#include <QObject>
#include <QString>

#include "platform/Error.h"

namespace qm {

class ScheduleListModel;

// Keeps schedule.dat and the list in step: loads the file into the list (creating it empty when
// missing) and rewrites it atomically whenever the list changes, so a crash loses no task and no "Done".
class ScheduleStore : public QObject
{
    Q_OBJECT
public:
    ScheduleStore(QString path, ScheduleListModel& model, QObject* parent = nullptr);

    // Loads what can be read; a missing file is created empty. The list is replaced even on failure
    // (with what could be read, or nothing), and the unreadable file is moved aside by the next save.
    Result<void> load();
    Result<void> save();

    const QString& path() const { return m_path; }
    // The loaded file could not be read; it is moved aside by the first save after a change.
    bool holdsUnreadableFile() const { return m_keepAside; }
    // Where an unreadable schedule file was moved; empty when none was.
    const QString& keptAside() const { return m_keptAside; }

private:
    void onChanged();

    QString m_path;
    ScheduleListModel& m_model;
    bool m_loading = false;
    bool m_keepAside = false;
    bool m_changed = false; // the list changed since it was loaded
    QString m_keptAside;
};

} // namespace qm
