#pragma once

#include <QWidget>

class QMenu;
class QSystemTrayIcon;

namespace qm::app {

// "systray": the hidden window that owns the tray icon and its menu. Never shown.
class TrayIcon : public QWidget
{
    Q_OBJECT
public:
    explicit TrayIcon(QWidget* parent = nullptr);
    ~TrayIcon() override;

    QMenu* menu() const { return m_menu; }
    QSystemTrayIcon* icon() const { return m_icon; }
    void removeIcon();

signals:
    void restoreRequested(); // left click, or "Quillmark"
    void homePageRequested();
    void helpRequested();
    void settingsRequested();
    void convertRequested();
    void cancelRequested();
    void exitRequested();

private:
    QMenu* m_menu;
    QSystemTrayIcon* m_icon;
};

} // namespace qm::app
