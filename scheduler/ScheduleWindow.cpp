#include "scheduler/ScheduleWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "scheduler/ScheduleListModel.h"
#include "scheduler/ScheduleStore.h"
#include "scheduler/SchedulerDialog.h"

namespace qm {

namespace {
// Column widths of the list, in pixels.
constexpr int StartTimeWidth = 235;
constexpr int UrlWidth = 640;
constexpr int StatusWidth = 169;
constexpr int CommentWidth = 169;

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
} // namespace

ScheduleWindow::ScheduleWindow(
    ScheduleListModel& model, ScheduleStore& store, const Clock& clock, UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_store(store)
    , m_clock(clock)
    , m_dialogs(dialogs)
    , m_list(new QTreeView(this))
{
    setObjectName(QStringLiteral("scheduleWindow"));
    setWindowTitle(QStringLiteral("Schedule"));

    m_list->setObjectName(QStringLiteral("taskList"));
    m_list->setModel(&m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(ScheduleListModel::StartTimeColumn, StartTimeWidth);
    m_list->setColumnWidth(ScheduleListModel::UrlColumn, UrlWidth);
    m_list->setColumnWidth(ScheduleListModel::StatusColumn, StatusWidth);
    m_list->setColumnWidth(ScheduleListModel::CommentColumn, CommentWidth);

    auto* add = makeButton(QStringLiteral("add"), QStringLiteral("Add"), this);
    auto* remove = makeButton(QStringLiteral("remove"), QStringLiteral("Remove"), this);
    auto* clear = makeButton(QStringLiteral("clear"), QStringLiteral("Clear"), this);
    auto* ok = makeButton(QStringLiteral("ok"), QStringLiteral("OK"), this);
    connect(add, &QPushButton::clicked, this, &ScheduleWindow::openEntryDialog);
    connect(remove, &QPushButton::clicked, this, &ScheduleWindow::removeSelected);
    connect(clear, &QPushButton::clicked, &m_model, &ScheduleListModel::clearAll);
    // A failed write leaves the rows in the list; the next change or the exit tries again.
    connect(ok, &QPushButton::clicked, this, [this] { (void)saveAndHide(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    // Wide enough to show all four columns at their widths.
    resize(StartTimeWidth + UrlWidth + StatusWidth + CommentWidth + 40, 380);
}

void ScheduleWindow::setSkin(std::function<void(QWidget*)> applySkin)
{
    m_applySkin = std::move(applySkin);
    if (m_applySkin)
        m_applySkin(this);
}

void ScheduleWindow::bringOnScreen()
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void ScheduleWindow::openEntryDialog()
{
    if (m_entry) {
        m_entry->raise();
        m_entry->activateWindow();
        return;
    }
    m_entry = new SchedulerDialog(m_model, m_clock, m_dialogs, this);
    m_entry->setAttribute(Qt::WA_DeleteOnClose);
    if (m_applySkin)
        m_applySkin(m_entry);
    m_entry->open(); // modal to this window without a nested event loop
}

void ScheduleWindow::removeSelected()
{
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    m_model.removeTask(selected.first().row());
}

Result<void> ScheduleWindow::saveAndHide()
{
    Result<void> saved = m_store.save();
    hide();
    return saved;
}

void ScheduleWindow::closeEvent(QCloseEvent* event)
{
    // The window lives as long as the program: the close box only takes it off screen.
    event->ignore();
    hide();
}

} // namespace qm
