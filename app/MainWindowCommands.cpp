#include <QPushButton>

#include "app/BundledPages.h"
#include "app/MainWindow.h"
#include "batch/AddUrlDialog.h"
#include "batch/BatchDriver.h"
#include "batch/UrlListCommands.h"
#include "batch/UrlListWidget.h"
#include "capture/OutputFolder.h"
#include "desktop/DesktopHooks.h"
#include "desktop/settings/SettingsDialog.h"
#include "platform/AppHome.h"
#include "report/BatchReport.h"
#include "settings/SettingKeys.h"

namespace qm::app {

void MainWindow::addUrls(bool modal)
{
    if (m_addUrl) {
        m_addUrl->raise();
        m_addUrl->activateWindow();
        return;
    }
    m_addUrl = new AddUrlDialog(m_list, m_hooks.home->settingsPath(), this);
    if (m_hooks.applySkin)
        m_hooks.applySkin(m_addUrl);
    afterModal(m_addUrl);
    if (modal)
        m_addUrl->open();
    else
        m_addUrl->show();
}

void MainWindow::addHtmlFiles()
{
    m_commands->addHtmlFiles(this);
}

void MainWindow::addAddresses(const QStringList& addresses)
{
    const QString format = ReadText(m_settings, keys::OutputFormat);
    for (const QString& address : addresses)
        m_list.appendUrl(address, format);
}

void MainWindow::removeSelected()
{
    const int row = m_listView->selectedRow();
    if (row >= 0)
        m_list.removeUrl(row);
}

void MainWindow::clearAll()
{
    m_list.clearAll();
}

void MainWindow::visitSelected()
{
    const int row = m_listView->selectedRow();
    if (row < 0 || m_list.rowCount() == 0)
        return;
    m_hooks.browserStartAddress = m_list.address(row);
    if (m_hooks.openMiniBrowser)
        m_hooks.openMiniBrowser();
}

void MainWindow::openMiniBrowser()
{
    m_hooks.browserStartAddress = HomePageUrl().toString();
    if (m_hooks.openMiniBrowser)
        m_hooks.openMiniBrowser();
}

void MainWindow::saveList()
{
    m_commands->saveUrlList(this);
}

void MainWindow::loadList()
{
    m_commands->loadUrlList(this);
}

void MainWindow::showSettings()
{
    if (m_settingsDialog) {
        m_settingsDialog->raise();
        m_settingsDialog->activateWindow();
        return;
    }
    m_settingsDialog = new SettingsDialog(m_hooks.home->settingsPath(), m_hooks.home->path(), *m_hooks.dialogs, this);
    connect(m_settingsDialog, &SettingsDialog::outputFormatWritten, this,
        [this](const QString& format) { m_list.setAllFormats(format); });
    if (m_hooks.applySkin)
        m_hooks.applySkin(m_settingsDialog);
    afterModal(m_settingsDialog);
    m_settingsDialog->open();
}

void MainWindow::showSchedule()
{
    if (m_hooks.showScheduleWindow)
        m_hooks.showScheduleWindow();
}

void MainWindow::startBatch()
{
    if (!m_driver)
        return;
    if (!m_state.running)
        startReport();
    m_driver->startBatch();
}

void MainWindow::startReport()
{
    m_report.reset();
    m_reportRows.clear();
    m_openReport->hide();
    if (m_list.rowCount() == 0 || !ReadFlag(m_settings, keys::Report))
        return;
    QStringList addresses;
    for (int row = 0; row < m_list.rowCount(); ++row) {
        addresses.append(m_list.address(row));
        m_reportRows.insert(m_list.idAt(row), row);
    }
    auto report = BatchReport::create(OutputFolder(m_settings, m_hooks.home->path()), addresses);
    if (!report) {
        // The batch runs without it; the status line says why.
        setStatusLabels(QStringLiteral("No report: %1").arg(report.error().message));
        return;
    }
    m_report = std::move(*report);
}

void MainWindow::openReport()
{
    if (m_report && m_hooks.openFolder)
        m_hooks.openFolder(m_report->htmlPath()); // the desktop's handler for the file: a web browser
}

void MainWindow::cancelBatch()
{
    if (m_driver)
        m_driver->cancelBatch();
}

void MainWindow::cancelBatchSilently()
{
    if (m_driver)
        m_driver->cancelBatchSilently();
}

void MainWindow::statusTextChanged(const QString& text)
{
    if (m_driver)
        m_driver->statusTextChanged(text);
}

void MainWindow::newWindowRequested()
{
    if (m_driver)
        m_driver->newWindowRequested();
}

} // namespace qm::app
