#include "scheduler/SchedulerDialog.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "platform/Clock.h"
#include "platform/UserDialogs.h"
#include "scheduler/ScheduleFile.h"
#include "scheduler/ScheduleListModel.h"

namespace qm {

namespace {
const QString ClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

SchedulerDialog::SchedulerDialog(ScheduleListModel& model, const Clock& clock, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , m_model(model)
    , m_clock(clock)
    , m_dialogs(dialogs)
    , m_url(new QLineEdit(this))
    , m_comment(new QLineEdit(this))
    , m_date(new QDateEdit(this))
    , m_time(new QTimeEdit(this))
    , m_clockLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("taskDialog"));
    setWindowTitle(QStringLiteral("Scheduler"));
    setWindowModality(Qt::WindowModal);

    m_url->setObjectName(QStringLiteral("address"));
    m_comment->setObjectName(QStringLiteral("comment"));
    m_date->setObjectName(QStringLiteral("startDate"));
    m_time->setObjectName(QStringLiteral("startTime"));
    m_clockLabel->setObjectName(QLatin1String(ObjectName(kTaskDialogLegacyObjectNames, "clock")));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    const QDateTime now = m_clock.now();
    m_date->setDate(now.date());
    m_time->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    showClock();

    auto* start = new QHBoxLayout;
    start->addWidget(m_date);
    start->addWidget(m_time);
    start->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Url:"), m_url);
    form->addRow(QStringLiteral("Comment:"), m_comment);
    form->addRow(QStringLiteral("Start:"), start);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SchedulerDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SchedulerDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_clockLabel);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    m_url->setMinimumWidth(360);

    m_timer.setObjectName(QStringLiteral("clockTimer"));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &SchedulerDialog::showClock);
    m_timer.start();
}

void SchedulerDialog::accept()
{
    if (m_url->text().trimmed().isEmpty()) {
        m_dialogs.message(this, UserDialogs::Icon::Error, QStringLiteral("Url is error"));
        return;
    }
    m_model.appendTask(
        ScheduleTask { startTimeText(), m_url->text(), ScheduleListModel::Waiting, m_comment->text() }, m_clock.now());
    QDialog::accept();
}

void SchedulerDialog::showClock()
{
    m_clockLabel->setText(m_clock.now().toString(ClockFormat));
}

QString SchedulerDialog::startTimeText() const
{
    return FormatStartTime(QDateTime(m_date->date(), m_time->time()));
}

} // namespace qm
