#pragma once

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "browser/BrowserPlacement.h"
#include "capture/CaptureHost.h"
#include "capture/CaptureRun.h"
#include "platform/Clock.h"
#include "platform/LegacyObjectNames.h"
#include "platform/cdp/Tab.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace qm {

namespace cdp {
class Browser;
}
class MessageSink;
class MiniBrowserCapture;
class PageViewWidget;
class SettingsSource;

// What the mini browser works with; everything outlives the window.
struct MiniBrowserSetup
{
    cdp::Browser* engine = nullptr; // the window opens a tab of its own in it
    const SettingsSource* settings = nullptr;
    QString appHome;
    MessageSink* messages = nullptr; // the completion message and the encoder's
    std::function<void(const QString&)> openFolder;
    std::function<void(QWidget*)> applySkin;
    const Clock* clock = &Clock::system();
};

// The mini browser's objects that the skin selects by their old names.
constexpr LegacyObjectName kMiniBrowserLegacyObjectNames[] = {
    { "browserBox", "Frame1" },
    { "addressLabel", "SkinLabel1" },
};

// The mini browser: an address box with Go, Back, Forward and Stop, the page itself (a live tab of
// the engine) and "CONVERT NOW!", which converts exactly what the page shows. Made afresh at
// each opening; it deletes itself when closed, and its tab goes with it.
class MiniBrowserWindow : public QWidget
{
    Q_OBJECT
public:
    MiniBrowserWindow(MiniBrowserSetup setup, QString startAddress, QWidget* parent = nullptr);
    ~MiniBrowserWindow() override;

    cdp::Tab* tab() const;
    PageViewWidget* pageView() const { return m_pageView; }
    QLineEdit* addressBox() const { return m_addressBox; }
    QString statusText() const;
    bool isConverting() const { return m_converting; }

    // Puts the page view back where the capture found it, and the tab's viewport with it.
    void RestoreBrowserPlacement();

    void navigate(const QString& address);

signals:
    void tabReady();
    void statusChanged(const QString& text); // the status bar's first panel
    void tabFailed(const QString& why);
    void conversionFinished(const qm::PageOutcome& outcome);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void openTab();
    void useTab(cdp::Tab* tab);
    void goToAddressBox();
    void convertNow();
    void startCapture();
    void giveBackPage(const QString& step = {});
    void rememberPlacement();
    void conversionEnded(const PageOutcome* outcome);
    void setLoadStatus(const QString& text);
    void showStatus();
    Error inUserWords(const Error& why) const;

    MiniBrowserSetup m_setup;
    QString m_startAddress;

    QGroupBox* m_browserBox;
    QLabel* m_addressLabel;
    QLineEdit* m_addressBox;
    QPushButton* m_goButton;
    QPushButton* m_backButton;
    QPushButton* m_forwardButton;
    QPushButton* m_stopButton;
    QPushButton* m_convertNowButton;
    PageViewWidget* m_pageView;
    QStatusBar* m_statusBar;
    QLabel* m_statusPanel;

    QPointer<cdp::Tab> m_tab;
    QString m_pendingAddress; // asked for before the tab was ready
    QDeadlineTimer m_pageDeadline { QDeadlineTimer::Forever }; // of the last load or capture started
    QString m_loadStatus;
    QString m_hoveredLink;
    bool m_historyStarted = false;

    QRect m_placement; // the page view's, remembered before the capture prepares the page
    std::shared_ptr<MiniBrowserCapture> m_host;
    QPointer<CaptureRun> m_run;
    bool m_converting = false;
};

} // namespace qm
