#include "browser/MiniBrowserWindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QJsonValue>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "browser/MiniBrowserCapture.h"
#include "browser/PageViewWidget.h"
#include "capture/CaptureRun.h"
#include "capture/PageAddress.h"
#include "capture/PageChangeRegistry.h"
#include "capture/PageFailure.h"
#include "platform/VisibleText.h"
#include "platform/cdp/Browser.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

// The window's client area.
constexpr QSize kClientSize { 1108, 627 };

} // namespace

MiniBrowserWindow::MiniBrowserWindow(MiniBrowserSetup setup, QString startAddress, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_setup(std::move(setup))
    , m_startAddress(std::move(startAddress))
{
    setObjectName(QStringLiteral("miniBrowser"));
    setWindowTitle(QStringLiteral("Browser"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Modal without a nested event loop: the opener returns at once, the rest of the program waits.
    setWindowModality(Qt::ApplicationModal);
    buildControls();
    resize(kClientSize);
    if (m_setup.applySkin)
        m_setup.applySkin(this);
    m_addressBox->setText(m_startAddress);
    openTab();
}

MiniBrowserWindow::~MiniBrowserWindow()
{
    if (m_run)
        m_run->abandon();
    if (m_tab) {
        cdp::Tab* tab = m_tab;
        m_pageView->setTab(nullptr);
        tab->close();
        // An abandoned run may still wait for an answer on this tab: the tab goes when the run does.
        if (m_run)
            connect(m_run, &QObject::destroyed, tab, &QObject::deleteLater);
        else
            tab->deleteLater();
    }
}

void MiniBrowserWindow::buildControls()
{
    m_browserBox = new QGroupBox(QStringLiteral("Browser"), this);
    m_browserBox->setObjectName(QLatin1String(ObjectName(kMiniBrowserLegacyObjectNames, "browserBox")));
    m_addressLabel = new QLabel(QStringLiteral("Address:"), m_browserBox);
    m_addressLabel->setObjectName(QLatin1String(ObjectName(kMiniBrowserLegacyObjectNames, "addressLabel")));
    m_addressBox = new QLineEdit(m_browserBox);
    m_addressBox->setObjectName(QStringLiteral("addressBox"));
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, m_browserBox);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_goButton = button("GoButton", QStringLiteral("Go"));
    m_backButton = button("BackButton", QStringLiteral("Back"));
    m_forwardButton = button("ForwardButton", QStringLiteral("Forward"));
    m_stopButton = button("StopButton", QStringLiteral("Stop"));
    m_convertNowButton = button("ConvertNowButton", QStringLiteral("CONVERT NOW!"));
    m_convertNowButton->setToolTip(QStringLiteral("Convert the page on screen to an image"));

    auto* band = new QHBoxLayout(m_browserBox);
    band->setContentsMargins(6, 2, 6, 4);
    band->addWidget(m_addressLabel);
    band->addWidget(m_addressBox, 1);
    for (QPushButton* b : { m_goButton, m_backButton, m_forwardButton, m_stopButton, m_convertNowButton })
        band->addWidget(b);

    m_pageView = new PageViewWidget(this);
    m_pageView->setObjectName(QStringLiteral("pageView"));
    m_pageView->setGeometry(kBrowserLeft, kBrowserTop, 1, 1);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(m_statusBar);
    m_statusBar->addWidget(m_statusPanel, 1);

    connect(m_goButton, &QPushButton::clicked, this, &MiniBrowserWindow::goToAddressBox);
    connect(m_addressBox, &QLineEdit::returnPressed, this, &MiniBrowserWindow::goToAddressBox);
    connect(m_backButton, &QPushButton::clicked, this, [this] {
        if (m_tab)
            m_tab->goBack();
    });
    connect(m_forwardButton, &QPushButton::clicked, this, [this] {
        if (m_tab)
            m_tab->goForward();
    });
    connect(m_stopButton, &QPushButton::clicked, this, [this] {
        if (m_tab)
            m_tab->stopLoading();
    });
    connect(m_convertNowButton, &QPushButton::clicked, this, &MiniBrowserWindow::convertNow);
    connect(m_pageView, &PageViewWidget::linkHovered, this, [this](const QString& address) {
        m_hoveredLink = address;
        showStatus();
    });
}

cdp::Tab* MiniBrowserWindow::tab() const
{
    return m_tab;
}

QString MiniBrowserWindow::statusText() const
{
    return m_statusPanel->text();
}

void MiniBrowserWindow::openTab()
{
    if (!m_setup.engine) {
        setLoadStatus(QStringLiteral("No browser is available"));
        emit tabFailed(m_statusPanel->text());
        return;
    }
    setLoadStatus(QStringLiteral("Starting the browser"));
    QPointer<MiniBrowserWindow> self(this);
    m_setup.engine->newTab([self](Result<cdp::Tab*> tab) {
        if (!self) {
            if (tab) {
                (*tab)->close();
                (*tab)->deleteLater();
            }
            return;
        }
        if (!tab) {
            const QString why = self->inUserWords(tab.error()).message;
            self->setLoadStatus(why);
            emit self->tabFailed(why);
            return;
        }
        self->useTab(*tab);
    });
}

void MiniBrowserWindow::useTab(cdp::Tab* tab)
{
    m_tab = tab;
    connect(tab, &cdp::Tab::navigationStarted, this, [this](const QString& url, bool topLevel) {
        m_addressBox->setText(url);
        if (topLevel)
            setLoadStatus(QStringLiteral("Loading %1").arg(url));
    });
    // Frames show their addresses while they load; the page's own address is what stays in the box,
    // since the box names the output of a conversion.
    connect(tab, &cdp::Tab::documentComplete, this, [this](const QString& url, bool topLevel) {
        if (!topLevel)
            return;
        m_addressBox->setText(url);
        // The tab was born on about:blank; history starts with the first page the user sees.
        if (!m_historyStarted && m_tab) {
            m_historyStarted = true;
            m_tab->session().send(QStringLiteral("Page.resetNavigationHistory"));
        }
    });
    // A page taken back from the back-forward cache loads nothing, so only its commit tells of it.
    connect(&tab->session(), &cdp::Session::event, this, [this](const QString& method, const QJsonObject& params) {
        if (method != QLatin1String("Page.frameNavigated")
            || params.value(QLatin1String("type")).toString() != QLatin1String("BackForwardCacheRestore"))
            return;
        const QJsonObject frame = params.value(QLatin1String("frame")).toObject();
        if (!frame.value(QLatin1String("parentId")).isUndefined())
            return;
        m_addressBox->setText(
            frame.value(QLatin1String("url")).toString() + frame.value(QLatin1String("urlFragment")).toString());
        setLoadStatus(QStringLiteral("Done"));
    });
    connect(tab, &cdp::Tab::statusTextChanged, this, &MiniBrowserWindow::setLoadStatus);
    connect(tab, &cdp::Tab::loadFailed, this,
        [this](const QString&, const Error& why) { setLoadStatus(inUserWords(why).message); });
    connect(tab, &cdp::Tab::crashed, this, [this](const Error& why) {
        // A crashed tab shows nothing any more: browsing goes on in a new one, at the same address.
        if (m_run)
            m_run->abandon();
        cdp::Tab* dead = m_tab;
        m_pageView->setTab(nullptr);
        m_tab = nullptr;
        dead->close();
        dead->deleteLater();
        m_startAddress = m_addressBox->text();
        openTab();
        setLoadStatus(inUserWords(why).message);
    });
    m_pageView->setTab(tab);
    tab->activate([](Result<void>) {});
    emit tabReady();
    navigate(m_pendingAddress.isEmpty() ? m_startAddress : m_pendingAddress);
    m_pendingAddress.clear();
}

void MiniBrowserWindow::navigate(const QString& address)
{
    if (!m_tab) {
        m_pendingAddress = address;
        return;
    }
    const Result<QString> loaded = PageAddress(address);
    if (!loaded)
        return setLoadStatus(inUserWords(loaded.error()).message);
    const std::chrono::milliseconds limit = ReadPageTimeout(*m_setup.settings);
    m_tab->setFileAccess(cdp::FileAccess::fromSetting(ReadText(*m_setup.settings, keys::AllowFiles)));
    m_pageDeadline = QDeadlineTimer(limit);
    m_tab->navigate(*loaded, limit);
}

void MiniBrowserWindow::goToAddressBox()
{
    navigate(m_addressBox->text());
}

void MiniBrowserWindow::setLoadStatus(const QString& text)
{
    m_loadStatus = text;
    showStatus();
}

// Failures read as they do in the batch's rows; the browser's own words go to the --verbose log.
Error MiniBrowserWindow::inUserWords(const Error& why) const
{
    const bool limitReached = !m_pageDeadline.isForever() && m_pageDeadline.remainingTime() < 1000;
    return UserFacingFailure(
        why, PageFailureFacts { m_addressBox->text(), ReadPageTimeout(*m_setup.settings), limitReached });
}

void MiniBrowserWindow::showStatus()
{
    // Addresses, links and reasons come from the page and its servers.
    const QString text = VisibleText(m_hoveredLink.isEmpty() ? m_loadStatus : m_hoveredLink);
    if (text == m_statusPanel->text())
        return;
    m_statusPanel->setText(text);
    emit statusChanged(text);
}

void MiniBrowserWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int bandHeight = kBrowserTop - 4;
    m_browserBox->setGeometry(0, 0, width(), bandHeight);
    const int statusHeight = m_statusBar->sizeHint().height();
    m_statusBar->setGeometry(0, height() - statusHeight, width(), statusHeight);
    if (!m_converting) // a capture puts the page view back where it found it; the new size follows after
        m_pageView->setGeometry(BrowserGeometryFor(m_pageView->geometry(), size(), statusHeight));
}

void MiniBrowserWindow::rememberPlacement()
{
    m_placement = m_pageView->geometry();
}

void MiniBrowserWindow::RestoreBrowserPlacement()
{
    const QRect place = m_placement;
    m_pageView->move(place.topLeft());
    m_pageView->resize(place.size());
    if (m_tab && !place.isEmpty())
        m_tab->setViewport(place.size());
}

void MiniBrowserWindow::convertNow()
{
    if (!m_tab || m_converting)
        return;
    QPointer<MiniBrowserWindow> self(this);
    MiniBrowserCapture::Steps steps {
        [self] {
            if (self)
                self->rememberPlacement();
        },
        [self] {
            if (!self)
                return;
            self->RestoreBrowserPlacement();
            self->giveBackPage(QLatin1String(kCaptureStep));
        },
        [self](const PageOutcome& outcome) {
            if (self)
                self->conversionEnded(&outcome);
        },
    };
    // The name comes from the address box as it reads at the click, even if the user typed there.
    m_host = std::make_shared<MiniBrowserCapture>(*m_tab, m_addressBox->text(), std::move(steps));
    m_pageView->setFrozen(true);
    m_convertNowButton->setEnabled(false);
    rememberPlacement();
    m_converting = true;
    startCapture();
}

void MiniBrowserWindow::startCapture()
{
    if (!m_tab || &m_host->tab() != m_tab.data()) { // the tab crashed and was replaced meanwhile
        conversionEnded(nullptr);
        return;
    }
    const CaptureContext context { *m_setup.settings, m_setup.appHome, *m_setup.clock, m_setup.messages,
        ReadPageTimeout(*m_setup.settings) };
    m_pageDeadline = QDeadlineTimer(context.timeLimit);
    m_run = StartCaptureRun(*m_host, context, std::nullopt, nullptr);
    if (!m_run) {
        conversionEnded(nullptr);
        return;
    }
    // The run may outlive this window (closed meanwhile): its host stays as long as it does.
    connect(m_run, &QObject::destroyed, [host = m_host] {});
    // A run that ends without its completion step (abandoned) still gives the page back.
    connect(m_run, &QObject::destroyed, this, [this] {
        if (m_pageView->isFrozen())
            conversionEnded(nullptr);
    });
}

// Preparing a page for its snapshot strips the body's margin, border and scroll bars; the user goes on
// browsing the same page, so what the capture changed is given back.
void MiniBrowserWindow::giveBackPage(const QString& step)
{
    if (m_tab)
        m_tab->evaluate(GiveBackPageScript(step), [](Result<QJsonValue>) {});
}

void MiniBrowserWindow::conversionEnded(const PageOutcome* outcome)
{
    m_run = nullptr;
    m_converting = false;
    giveBackPage(); // a run that ended early never reached its after-snapshot step
    if (m_pageView->geometry() != m_placement)
        RestoreBrowserPlacement();
    m_pageView->setFrozen(false);
    m_convertNowButton->setEnabled(true);
    // The window may have been resized during the capture.
    const int statusHeight = m_statusBar->geometry().height();
    m_pageView->setGeometry(BrowserGeometryFor(m_pageView->geometry(), size(), statusHeight));
    if (!outcome)
        return;
    PageOutcome shown = *outcome;
    if (!shown.output)
        shown.output = std::unexpected(inUserWords(shown.output.error()));
    if (m_setup.messages)
        AnnounceConversion(shown, *m_setup.messages, *m_setup.settings, m_setup.appHome, m_setup.openFolder);
    emit conversionFinished(shown);
}

} // namespace qm
