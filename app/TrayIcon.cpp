#include "app/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "platform/AppHome.h"

namespace qm::app {

namespace {
QAction* Item(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void Separator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}
} // namespace

TrayIcon::TrayIcon(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("tray"));
    setWindowTitle(QStringLiteral("systray"));

    m_menu = new QMenu(QStringLiteral("SysTray"), this);
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    connect(Item(m_menu, "homePage", QStringLiteral("Quillmark On the Web")), &QAction::triggered, this,
        &TrayIcon::homePageRequested);
    connect(Item(m_menu, "help", QStringLiteral("Help")), &QAction::triggered, this, &TrayIcon::helpRequested);
    Separator(m_menu, "separator1");
    connect(Item(m_menu, "showMainWindow", QStringLiteral("Quillmark")), &QAction::triggered, this,
        &TrayIcon::restoreRequested);
    Separator(m_menu, "separator2");
    connect(
        Item(m_menu, "settings", QStringLiteral("Settings")), &QAction::triggered, this, &TrayIcon::settingsRequested);
    Separator(m_menu, "separator3");
    connect(Item(m_menu, "convertNow", QStringLiteral("Convert Now")), &QAction::triggered, this,
        &TrayIcon::convertRequested);
    connect(Item(m_menu, "cancelConvert", QStringLiteral("Cancel Convert")), &QAction::triggered, this,
        &TrayIcon::cancelRequested);
    Separator(m_menu, "separator4");
    connect(Item(m_menu, "exit", QStringLiteral("Exit")), &QAction::triggered, this, &TrayIcon::exitRequested);

    const QIcon icon(AppHome::shareFile(QStringLiteral("icons/quillmark.svg")));
    setWindowIcon(icon);
    m_icon = new QSystemTrayIcon(icon, this);
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setToolTip(QStringLiteral("Quillmark"));
    m_icon->setContextMenu(m_menu); // right click: the menu at the pointer
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit restoreRequested();
    });
    m_icon->show();
}

TrayIcon::~TrayIcon()
{
    removeIcon();
}

void TrayIcon::removeIcon()
{
    m_icon->hide();
}

} // namespace qm::app
