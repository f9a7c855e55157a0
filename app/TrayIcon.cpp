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
    setObjectName(QStringLiteral("frmtray"));
    setWindowTitle(QStringLiteral("systray"));

    m_menu = new QMenu(QStringLiteral("SysTray"), this);
    m_menu->setObjectName(QStringLiteral("mPopupSys"));
    connect(Item(m_menu, "web", QStringLiteral("Quillmark On the Web")), &QAction::triggered, this,
        &TrayIcon::homePageRequested);
    connect(Item(m_menu, "Help", QStringLiteral("Help")), &QAction::triggered, this, &TrayIcon::helpRequested);
    Separator(m_menu, "tfd");
    connect(
        Item(m_menu, "maindisp", QStringLiteral("Quillmark")), &QAction::triggered, this, &TrayIcon::restoreRequested);
    Separator(m_menu, "a5");
    connect(
        Item(m_menu, "Option", QStringLiteral("Settings")), &QAction::triggered, this, &TrayIcon::settingsRequested);
    Separator(m_menu, "fg2");
    connect(Item(m_menu, "settings", QStringLiteral("Convert Now")), &QAction::triggered, this,
        &TrayIcon::convertRequested);
    connect(Item(m_menu, "Restore", QStringLiteral("Cancel Convert")), &QAction::triggered, this,
        &TrayIcon::cancelRequested);
    Separator(m_menu, "a3");
    connect(Item(m_menu, "Exit", QStringLiteral("Exit")), &QAction::triggered, this, &TrayIcon::exitRequested);

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
