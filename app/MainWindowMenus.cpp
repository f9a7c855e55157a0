#include <QMenu>
#include <QMenuBar>

#include "app/ImageButtonWidget.h"
#include "app/MainWindow.h"
#include "app/ToolbarWidget.h"
#include "batch/UrlListWidget.h"

namespace qm::app {

namespace {

QMenu* Menu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

template<typename Slot>
QAction* Item(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key, QObject* owner, Slot slot)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    QObject::connect(action, &QAction::triggered, owner, slot);
    return action;
}

void Separator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

} // namespace

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    const QKeySequence none;

    QMenu* file = Menu(bar, "fileMenu", QStringLiteral("File(&F)"));
    Item(file, "newProject", QStringLiteral("New Converting Project"), none, this, [this] { clearAll(); });
    Item(file, "openProject", QStringLiteral("Open Converting Project"), none, this, [this] { loadList(); });
    Item(file, "saveProject", QStringLiteral("Save Converting Project"), none, this, [this] { saveList(); });
    Separator(file, "fileSeparator");
    Item(file, "exit", QStringLiteral("Exit"), QKeySequence(QStringLiteral("Ctrl+X")), this,
        [this] { emit exitRequested(); });

    QMenu* edit = Menu(bar, "editMenu", QStringLiteral("Edit(&E)"));
    Item(edit, "loadList", QStringLiteral("Load List"), QKeySequence(QStringLiteral("Ctrl+L")), this,
        [this] { loadList(); });
    Item(edit, "saveList", QStringLiteral("Save List"), none, this, [this] { saveList(); });
    Separator(edit, "editSeparator1");
    Item(edit, "addHtmlFiles", QStringLiteral("Add HTML Files"), QKeySequence(QStringLiteral("Ctrl+H")), this,
        [this] { addHtmlFiles(); });
    Item(edit, "addUrl", QStringLiteral("Add URL"), QKeySequence(QStringLiteral("Ctrl+U")), this,
        [this] { addUrls(true); });
    Separator(edit, "editSeparator2");
    Item(edit, "removeSelected", QStringLiteral("Remove Selected URL"), QKeySequence(QStringLiteral("Ctrl+R")), this,
        [this] { removeSelected(); });
    Item(edit, "clearAll", QStringLiteral("Clear All URL"), none, this, [this] { clearAll(); });
    Separator(edit, "editSeparator3");
    Item(edit, "visitSelected", QStringLiteral("Visit at Selected URL"), QKeySequence(QStringLiteral("Ctrl+V")), this,
        [this] { visitSelected(); });

    QMenu* action = Menu(bar, "actionMenu", QStringLiteral("Action(&A)"));
    Item(action, "convertNow", QStringLiteral("Convert Now!"), QKeySequence(QStringLiteral("Ctrl+C")), this,
        [this] { startBatch(); });
    Item(action, "cancelConvert", QStringLiteral("Cancel Convert"), none, this, [this] { cancelBatch(); });
    Separator(action, "actionSeparator");
    Item(action, "miniBrowser", QStringLiteral("Mini Browser"), QKeySequence(QStringLiteral("Ctrl+B")), this,
        [this] { openMiniBrowser(); });

    QMenu* option = Menu(bar, "optionMenu", QStringLiteral("Option(&A)"));
    Item(option, "settings", QStringLiteral("Settings"), QKeySequence(QStringLiteral("Ctrl+S")), this,
        [this] { showSettings(); });
    Separator(option, "optionSeparator");
    Item(option, "schedule", QStringLiteral("Schedule"), none, this, [this] { showSchedule(); });

    QMenu* help = Menu(bar, "helpMenu", QStringLiteral("Help(&H)"));
    Item(help, "showHelp", QStringLiteral("Help"), QKeySequence(Qt::Key_F1), this, [this] { emit helpRequested(); });
    Separator(help, "helpSeparator");
    Item(help, "homePage", QStringLiteral("Quillmark Home Page"), QKeySequence(QStringLiteral("Ctrl+P")), this,
        [this] { emit homePageRequested(); });
    Item(help, "supportOnline", QStringLiteral("Support Online"), QKeySequence(QStringLiteral("Ctrl+T")), this,
        [this] { emit supportPageRequested(); });
}

void MainWindow::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("listMenu"));
    const QKeySequence none;
    Item(m_popup, "listConvertNow", QStringLiteral("Convert Now!"), none, this, [this] { startBatch(); });
    Item(m_popup, "listSettings", QStringLiteral("Settings"), none, this, [this] { showSettings(); });
    Separator(m_popup, "listSeparator1");
    Item(m_popup, "listOpenSelected", QStringLiteral("Open Selected Url"), none, this, [this] { visitSelected(); });
    Separator(m_popup, "listSeparator2");
    Item(m_popup, "listLoadList", QStringLiteral("Load List"), none, this, [this] { loadList(); });
    Item(m_popup, "listAddHtmlFiles", QStringLiteral("Add HTML Files"), none, this, [this] { addHtmlFiles(); });
    Item(m_popup, "listAddUrl", QStringLiteral("Add Url Item"), none, this, [this] { addUrls(true); });
    Separator(m_popup, "listSeparator3");
    Item(m_popup, "listRemoveSelected", QStringLiteral("Remove Selected Item"), none, this,
        [this] { removeSelected(); });
    Item(m_popup, "listClearAll", QStringLiteral("Clear All Items"), none, this, [this] { clearAll(); });
    connect(m_listView, &UrlListWidget::popupRequested, m_popup, [this](const QPoint& at) { m_popup->popup(at); });
}

void MainWindow::buildToolbar(ToolbarWidget* toolbar)
{
    struct Button
    {
        const char* image;
        const char* icon;
        const char* label;
        const char* caption;
        void (MainWindow::*command)();
    };
    static const Button buttons[] = {
        { "loadListButton", "load-list.svg", "loadListCaption", "Load List", &MainWindow::loadList },
        { "addHtmlFilesButton", "add-html.svg", "addHtmlFilesCaption", "Add Html Files", &MainWindow::addHtmlFiles },
        { "addUrlButton", "add-url.svg", "addUrlCaption", "Add Url", nullptr },
        { "saveListButton", "save-list.svg", "saveListCaption", "Save List", &MainWindow::saveList },
        { "convertNowButton", "convert.svg", "convertNowCaption", "CONVERT NOW", &MainWindow::startBatch },
        { "settingsButton", "settings.svg", "settingsCaption", "Setting", &MainWindow::showSettings },
        { "scheduleButton", "schedule.svg", "scheduleCaption", "Schedule", &MainWindow::showSchedule },
        { "helpButton", "help.svg", "helpCaption", "Help", nullptr },
        { "exitButton", "exit.svg", "exitCaption", "Exit", nullptr },
    };
    for (const Button& button : buttons) {
        ImageButtonWidget* image = toolbar->addImage(QLatin1String(button.image), QLatin1String(button.icon),
            QLatin1String(button.label), QLatin1String(button.caption));
        image->setToolTip(QLatin1String(button.caption));
        if (button.command)
            connect(image, &ImageButtonWidget::clicked, this, button.command);
    }
    toolbar->addStretch();
    // The toolbar opens the Add URL dialog without making it modal.
    connect(toolbar->findChild<ImageButtonWidget*>(QStringLiteral("addUrlButton")), &ImageButtonWidget::clicked, this,
        [this] { addUrls(false); });
    connect(toolbar->findChild<ImageButtonWidget*>(QStringLiteral("helpButton")), &ImageButtonWidget::clicked, this,
        &MainWindow::helpRequested);
    connect(toolbar->findChild<ImageButtonWidget*>(QStringLiteral("exitButton")), &ImageButtonWidget::clicked, this,
        &MainWindow::exitRequested);
}

} // namespace qm::app
