#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ImageButtonWidget.h"
#include "app/ToolbarWidget.h"
#include "batch/AddUrlDialog.h"
#include "batch/BatchDriver.h"
#include "batch/UrlListCommands.h"
#include "batch/UrlListWidget.h"
#include "desktop/DesktopHooks.h"
#include "desktop/settings/SettingsDialog.h"
#include "platform/AppHome.h"
#include "platform/UserDialogs.h"
#include "platform/VisibleText.h"
#include "report/BatchReport.h"

namespace qm::app {

MainWindow::MainWindow(DesktopHooks& hooks, PageRunner* runner, bool trayAvailable, QWidget* parent)
    : QMainWindow(parent)
    , m_hooks(hooks)
    , m_trayAvailable(trayAvailable)
    , m_settings(hooks.home->settingsPath())
{
    setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "mainWindow")));
    setWindowTitle(QStringLiteral("Quillmark v2.70"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(764, 479);
    setMinimumSize(640, 400);

    m_commands = std::make_unique<UrlListCommands>(m_list, hooks.home->settingsPath(), *hooks.dialogs);
    if (runner) {
        m_driver = std::make_unique<BatchDriver>(m_list, m_state, *this, *runner, m_settings, hooks.home->path());
        connect(m_driver.get(), &BatchDriver::pageFinished, this,
            [this](UrlListModel::RowId row, const QString&, const PageOutcome& outcome, int tries) {
                if (m_report && m_reportRows.contains(row))
                    (void)m_report->record(m_reportRows.value(row), outcome, tries); // a row the report missed says so
            });
        // The batch's time ends with its last page, not when its end message is dismissed; a cancelled
        // batch's report ends when the cancel is seen.
        const auto finishReport = [this] {
            if (!m_report || m_report->finished())
                return;
            (void)m_report->finish(); // what could be written is there; the button opens it
            m_openReport->show();
        };
        connect(m_driver.get(), &BatchDriver::pagesDone, this, finishReport);
        connect(m_driver.get(), &BatchDriver::idle, this, finishReport);
    }

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* toolbar = new ToolbarWidget(central);
    toolbar->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "toolbar")));
    buildToolbar(toolbar);
    m_listView = new UrlListWidget(&m_list, central);
    m_listView->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "urlList")));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(toolbar);
    layout->addWidget(m_listView, 1);
    layout->addWidget(buildProgressPanel());
    layout->addWidget(buildStatusStrip());
    setCentralWidget(central);

    buildMenus();
    buildPopupMenu();
    connect(m_listView, &UrlListWidget::filesDropped, this,
        [this](const QStringList& paths) { m_commands->dropFiles(this, paths); });
    connect(m_listView, &UrlListWidget::visitRequested, this, &MainWindow::visitSelected);

    // Load: skin the window, hide the progress panel.
    if (m_hooks.applySkin)
        m_hooks.applySkin(this);
    m_panel->hide();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildProgressPanel()
{
    m_panel = new QFrame;
    m_panel->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "progressPanel")));
    static_cast<QFrame*>(m_panel)->setFrameShape(QFrame::StyledPanel);

    m_progressBox = new QGroupBox(QStringLiteral("Status"));
    m_progressBox->setObjectName(QStringLiteral("progressBox"));
    m_progressLabel = new QLabel;
    m_progressLabel->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "progressLabel")));
    m_progressLabel->setTextFormat(Qt::PlainText);
    m_progressLabel->setMinimumWidth(100);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "totalProgress")));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    auto* frameLayout = new QVBoxLayout(m_progressBox);
    frameLayout->addWidget(m_progressLabel);
    frameLayout->addWidget(m_progress);

    const QString icons = AppHome::shareFile(QStringLiteral("icons/"));
    auto* cancel = new ImageButtonWidget(QStringLiteral("cancelButton"), icons + QStringLiteral("cancel.svg"));
    auto* exit = new ImageButtonWidget(QStringLiteral("stopButton"), icons + QStringLiteral("stop.svg"));
    cancel->setToolTip(QStringLiteral("Cancel the conversion"));
    exit->setToolTip(QStringLiteral("Stop the conversion without a message"));
    connect(cancel, &ImageButtonWidget::clicked, this, &MainWindow::cancelBatch);
    connect(exit, &ImageButtonWidget::clicked, this, &MainWindow::cancelBatchSilently);

    auto* layout = new QHBoxLayout(m_panel);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(m_progressBox, 1);
    layout->addWidget(WithCaption(
        cancel, QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "cancelCaption")), QStringLiteral("CANCEL")));
    layout->addWidget(WithCaption(
        exit, QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "stopCaption")), QStringLiteral("EXIT")));
    return m_panel;
}

QWidget* MainWindow::buildStatusStrip()
{
    auto* frame = new QGroupBox(QStringLiteral("Status"));
    frame->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "statusBox")));
    m_statusLabel = new QLabel;
    m_statusLabel->setObjectName(QLatin1String(ObjectName(kMainWindowLegacyObjectNames, "statusLabel")));
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setMinimumWidth(100);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->addWidget(m_statusLabel, 1);
    m_openReport = new QPushButton(QStringLiteral("Open report"));
    m_openReport->setObjectName(QStringLiteral("openReport"));
    m_openReport->setToolTip(QStringLiteral("Thumbnails of the last batch's pages, and why pages failed"));
    m_openReport->hide();
    connect(m_openReport, &QPushButton::clicked, this, &MainWindow::openReport);
    layout->addWidget(m_openReport);
    return frame;
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Minimised, the window lives in the tray; without a tray it stays in the task bar.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_trayAvailable)
        hide();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The batch belongs to this window: it ends with it, nothing more is written for its pages.
    if (m_driver && m_state.running)
        m_driver->abandonPagesInFlight();
    closeDialogs();
    event->accept();
    if (!m_trayAvailable)
        emit exitRequested(); // out of reach otherwise: there is no tray icon to bring it back
}

void MainWindow::closeDialogs()
{
    // Unloaded at once, not at the next turn of the event loop: ExitProgram goes on right after.
    delete m_addUrl.data();
    delete m_settingsDialog.data();
}

void MainWindow::afterModal(QWidget* window)
{
    // The driver is the context: when the window goes first, nothing is left to call.
    if (BatchDriver* driver = m_driver.get())
        connect(window, &QObject::destroyed, driver, [driver] { driver->nudge(); });
}

// ---- BatchView ----

void MainWindow::setProgressPanelVisible(bool visible)
{
    m_panel->setVisible(visible);
}

void MainWindow::setFrameCaption(const QString& caption)
{
    m_progressBox->setTitle(caption);
}

void MainWindow::setProgress(int value)
{
    m_progress->setValue(value);
}

int MainWindow::progress() const
{
    return m_progress->value();
}

void MainWindow::setBusyCursor(bool busy)
{
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void MainWindow::setStatusLabels(const QString& text)
{
    // The capture tab's status names the page's addresses.
    m_statusLabel->setText(VisibleText(text));
    m_progressLabel->setText(VisibleText(text));
}

void MainWindow::information(const QString& text, std::function<void()> dismissed)
{
    m_hooks.dialogs->message(this, UserDialogs::Icon::Information, text, std::move(dismissed));
}

void MainWindow::error(const QString& text, std::function<void()> dismissed)
{
    m_hooks.dialogs->message(this, UserDialogs::Icon::Error, text, std::move(dismissed));
}

void MainWindow::openFolder(const QString& folder)
{
    if (m_hooks.openFolder)
        m_hooks.openFolder(folder);
}

bool MainWindow::holdsNewRows() const
{
    return QApplication::activeModalWidget() != nullptr;
}

} // namespace qm::app
