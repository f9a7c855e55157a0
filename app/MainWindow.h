#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "batch/BatchState.h"
#include "batch/BatchView.h"
#include "batch/UrlListModel.h"
#include "platform/LegacyObjectNames.h"
#include "settings/SettingsSource.h"

class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace qm {
class AddUrlDialog;
class BatchDriver;
class BatchReport;
class PageRunner;
class SettingsDialog;
class UrlListCommands;
class UrlListWidget;
struct DesktopHooks;
} // namespace qm

namespace qm::app {

class ImageButtonWidget;
class ToolbarWidget;

// The main window, "Quillmark v2.70": toolbar, URL list, progress panel and status strip. It is the view of its
// batch; its commands are the menus', the toolbar's and the list's popup menu's.
// The main window's objects that the skin selects by their old names.
constexpr LegacyObjectName kMainWindowLegacyObjectNames[] = {
    { "mainWindow", "Form1" },
    { "toolbar", "Picture5" },
    { "urlList", "lvwAudioTracks" },
    { "progressPanel", "Picture6" },
    { "progressLabel", "SkinLabel6" },
    { "totalProgress", "prgTotalProgress" },
    { "cancelCaption", "Label10" },
    { "stopCaption", "Label11" },
    { "statusBox", "Frame1" },
    { "statusLabel", "SkinLabel1" },
};

class MainWindow : public QMainWindow, public BatchView
{
    Q_OBJECT
public:
    // `runner` converts the batch's pages (nullptr: Convert Now does nothing). With `trayAvailable`
    // the window hides when minimised and its close box leaves the program running in the tray.
    MainWindow(DesktopHooks& hooks, PageRunner* runner, bool trayAvailable, QWidget* parent = nullptr);
    ~MainWindow() override;

    UrlListModel& list() { return m_list; }
    const BatchState& batchState() const { return m_state; }
    BatchDriver* driver() const { return m_driver.get(); }

    // Commands.
    void addUrls(bool modal);
    void addHtmlFiles();
    void addAddresses(const QStringList& addresses); // with the output format of the settings
    void removeSelected();
    void clearAll();
    void visitSelected();
    void saveList();
    void loadList();
    void showSettings();
    void showSchedule();
    void openMiniBrowser();
    void startBatch();
    void cancelBatch();
    void cancelBatchSilently();
    void openReport(); // the last batch's report.html
    void closeDialogs(); // ExitProgram's unload of the Add URL and settings dialogs

    // Browser events of the batch's pages, for the status labels.
    void statusTextChanged(const QString& text);
    void newWindowRequested();

    // BatchView
    void setProgressPanelVisible(bool visible) override;
    void setFrameCaption(const QString& caption) override;
    void setProgress(int value) override;
    int progress() const override;
    void setBusyCursor(bool busy) override;
    void setStatusLabels(const QString& text) override;
    void information(const QString& text, std::function<void()> dismissed) override;
    void error(const QString& text, std::function<void()> dismissed) override;
    void openFolder(const QString& folder) override;
    bool holdsNewRows() const override;

signals:
    void helpRequested();
    void homePageRequested();
    void supportPageRequested();
    void exitRequested();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildPopupMenu();
    void buildToolbar(ToolbarWidget* toolbar);
    QWidget* buildProgressPanel();
    QWidget* buildStatusStrip();
    void afterModal(QWidget* window); // a modal window of the program closed: the batch may go on
    void startReport(); // with the "report" setting on, a batch about to start writes its report

    DesktopHooks& m_hooks;
    bool m_trayAvailable;
    FileSettings m_settings;
    UrlListModel m_list;
    BatchState m_state;
    std::unique_ptr<UrlListCommands> m_commands;
    std::unique_ptr<BatchDriver> m_driver;
    std::unique_ptr<BatchReport> m_report; // the running or last batch's
    QHash<UrlListModel::RowId, int> m_reportRows; // the rows as the report numbers them

    UrlListWidget* m_listView = nullptr;
    QMenu* m_popup = nullptr;
    QWidget* m_panel = nullptr;
    QGroupBox* m_progressBox = nullptr;
    QLabel* m_progressLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_openReport = nullptr; // shown when a batch with a report is done
    QPointer<AddUrlDialog> m_addUrl;
    QPointer<SettingsDialog> m_settingsDialog;
};

} // namespace qm::app
