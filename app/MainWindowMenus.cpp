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

    QMenu* file = Menu(bar, "file", QStringLiteral("File(&F)"));
    Item(file, "NewRecordingProject", QStringLiteral("New Converting Project"), none, this, [this] { clearAll(); });
    Item(file, "OpenRecordingProject", QStringLiteral("Open Converting Project"), none, this, [this] { loadList(); });
    Item(file, "saveRecordingProject", QStringLiteral("Save Converting Project"), none, this, [this] { saveList(); });
    Separator(file, "filefg");
    Item(file, "Exit", QStringLiteral("Exit"), QKeySequence(QStringLiteral("Ctrl+X")), this,
        [this] { emit exitRequested(); });

    QMenu* edit = Menu(bar, "edit", QStringLiteral("Edit(&E)"));
    Item(edit, "LoadList", QStringLiteral("Load List"), QKeySequence(QStringLiteral("Ctrl+L")), this,
        [this] { loadList(); });
    Item(edit, "savelist", QStringLiteral("Save List"), none, this, [this] { saveList(); });
    Separator(edit, "fg33");
    Item(edit, "addhtml", QStringLiteral("Add HTML Files"), QKeySequence(QStringLiteral("Ctrl+H")), this,
        [this] { addHtmlFiles(); });
    Item(edit, "addfiles", QStringLiteral("Add URL"), QKeySequence(QStringLiteral("Ctrl+U")), this,
        [this] { addUrls(true); });
    Separator(edit, "fg34");
    Item(edit, "RemoveSelectedFile", QStringLiteral("Remove Selected URL"), QKeySequence(QStringLiteral("Ctrl+R")),
        this, [this] { removeSelected(); });
    Item(edit, "ClearAllFiles", QStringLiteral("Clear All URL"), none, this, [this] { clearAll(); });
    Separator(edit, "actionfg1");
    Item(edit, "play", QStringLiteral("Visit at Selected URL"), QKeySequence(QStringLiteral("Ctrl+V")), this,
        [this] { visitSelected(); });

    QMenu* action = Menu(bar, "action", QStringLiteral("Action(&A)"));
    Item(action, "BurnNow", QStringLiteral("Convert Now!"), QKeySequence(QStringLiteral("Ctrl+C")), this,
        [this] { startBatch(); });
    Item(action, "CancelBurn", QStringLiteral("Cancel Convert"), none, this, [this] { cancelBatch(); });
    Separator(action, "actionfg2");
    Item(action, "editid3", QStringLiteral("Mini Browser"), QKeySequence(QStringLiteral("Ctrl+B")), this,
        [this] { openMiniBrowser(); });

    QMenu* option = Menu(bar, "option", QStringLiteral("Option(&A)"));
    Item(option, "settings", QStringLiteral("Settings"), QKeySequence(QStringLiteral("Ctrl+S")), this,
        [this] { showSettings(); });
    Separator(option, "gf");
    Item(option, "Schedule", QStringLiteral("Schedule"), none, this, [this] { showSchedule(); });

    QMenu* help = Menu(bar, "help", QStringLiteral("Help(&H)"));
    Item(help, "helphelp", QStringLiteral("Help"), QKeySequence(Qt::Key_F1), this, [this] { emit helpRequested(); });
    Separator(help, "helpfg2");
    Item(help, "CDBurnerHomePage", QStringLiteral("Quillmark Home Page"), QKeySequence(QStringLiteral("Ctrl+P")), this,
        [this] { emit homePageRequested(); });
    Item(help, "SupportOnline", QStringLiteral("Support Online"), QKeySequence(QStringLiteral("Ctrl+T")), this,
        [this] { emit supportPageRequested(); });
}

void MainWindow::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("popmenu"));
    const QKeySequence none;
    Item(m_popup, "convertstart", QStringLiteral("Convert Now!"), none, this, [this] { startBatch(); });
    Item(m_popup, "settings1", QStringLiteral("Settings"), none, this, [this] { showSettings(); });
    Separator(m_popup, "popfg1");
    Item(m_popup, "playselectedfile", QStringLiteral("Open Selected Url"), none, this, [this] { visitSelected(); });
    Separator(m_popup, "popfg2");
    Item(m_popup, "LoadList1", QStringLiteral("Load List"), none, this, [this] { loadList(); });
    Item(m_popup, "AddHTMLFiles1", QStringLiteral("Add HTML Files"), none, this, [this] { addHtmlFiles(); });
    Item(m_popup, "addfiless", QStringLiteral("Add Url Item"), none, this, [this] { addUrls(true); });
    Separator(m_popup, "popfg3");
    Item(m_popup, "removeselecteditem", QStringLiteral("Remove Selected Item"), none, this,
        [this] { removeSelected(); });
    Item(m_popup, "clearallitems", QStringLiteral("Clear All Items"), none, this, [this] { clearAll(); });
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
        { "Image1", "load-list.svg", "Label1", "Load List", &MainWindow::loadList },
        { "Image2", "add-html.svg", "Label2", "Add Html Files", &MainWindow::addHtmlFiles },
        { "Image3", "add-url.svg", "Label3", "Add Url", nullptr },
        { "Image4", "save-list.svg", "Label4", "Save List", &MainWindow::saveList },
        { "Image5", "convert.svg", "Label5", "CONVERT NOW", &MainWindow::startBatch },
        { "Image6", "settings.svg", "Label6", "Setting", &MainWindow::showSettings },
        { "Image7", "schedule.svg", "Label7", "Schedule", &MainWindow::showSchedule },
        { "Image8", "help.svg", "Label8", "Help", nullptr },
        { "Image10", "exit.svg", "Label9", "Exit", nullptr },
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
    connect(toolbar->findChild<ImageButtonWidget*>(QStringLiteral("Image3")), &ImageButtonWidget::clicked, this,
        [this] { addUrls(false); });
    connect(toolbar->findChild<ImageButtonWidget*>(QStringLiteral("Image8")), &ImageButtonWidget::clicked, this,
        &MainWindow::helpRequested);
    connect(toolbar->findChild<ImageButtonWidget*>(QStringLiteral("Image10")), &ImageButtonWidget::clicked, this,
        &MainWindow::exitRequested);
}

} // namespace qm::app
