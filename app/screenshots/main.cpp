// quillmark-screenshots OUTDIR: renders the main window (idle and during a batch), both tabs of the
// settings dialog and the Add URL dialog into OUTDIR as PNG files. Runs on the offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "app/MainWindow.h"
#include "app/Skin.h"
#include "app/SystemDialogsUi.h"
#include "batch/AddUrlDialog.h"
#include "desktop/DesktopHooks.h"
#include "desktop/settings/SettingsDialog.h"
#include "platform/AppHome.h"

namespace {

bool Save(QWidget* window, const QString& folder, const QString& name)
{
    window->show();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name);
    const bool ok = window->grab().save(path);
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    window->hide();
    return ok;
}

void FillList(qm::UrlListModel& list)
{
    list.appendUrl(QStringLiteral("https://www.example.com/"), QStringLiteral("PNG"));
    list.appendUrl(QStringLiteral("https://en.wikipedia.org/wiki/Quill"), QStringLiteral("PNG"));
    list.appendUrl(QStringLiteral("/home/user/Documents/report/index.html"), QStringLiteral("PNG"));
    list.appendUrl(QStringLiteral("https://news.example.org/today"), QStringLiteral("PNG"));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillmark-screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir homeDir;
    const qm::Result<qm::AppHome> home = qm::AppHome::open(homeDir.path());
    if (!home)
        return 1;
    qm::app::SystemDialogs dialogs;
    qm::DesktopHooks hooks;
    hooks.home = &*home;
    hooks.dialogs = &dialogs;
    hooks.applySkin = [&](QWidget* window) { window->setStyleSheet(qm::app::ReadSkin(*home)); };

    bool ok = true;
    {
        qm::app::MainWindow window(hooks, nullptr, false);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        FillList(window.list());
        window.setStatusLabels(QStringLiteral("Ready"));
        ok &= Save(&window, out, QStringLiteral("main-window.png"));

        window.setProgressPanelVisible(true);
        window.list().setStatus(0, QStringLiteral("OK"));
        window.list().setStatus(1, QStringLiteral("OK"));
        window.list().setStatus(2, QStringLiteral("Processing"));
        window.setFrameCaption(QStringLiteral("Processing ") + window.list().address(2));
        window.setStatusLabels(QStringLiteral("Loading /home/user/Documents/report/index.html"));
        window.setProgress(50);
        ok &= Save(&window, out, QStringLiteral("main-window-converting.png"));
    }
    {
        qm::SettingsDialog settings(home->settingsPath(), home->path(), dialogs);
        settings.setAttribute(Qt::WA_DeleteOnClose, false);
        hooks.applySkin(&settings);
        auto* tabs = settings.findChild<QTabWidget*>(QStringLiteral("tabs"));
        tabs->setCurrentIndex(0);
        ok &= Save(&settings, out, QStringLiteral("settings-general.png"));
        tabs->setCurrentIndex(1);
        ok &= Save(&settings, out, QStringLiteral("settings-watermark.png"));
        // A phone-sized picture without the cookie banner and the page's chat button.
        const qm::SettingsControls& c = settings.controls();
        c.pageDevice->setCurrentIndex(c.pageDevice->findData(QStringLiteral("iphone-15")));
        c.pageScale->setText(QStringLiteral("2"));
        c.pageNoOverlays->setChecked(true);
        c.pageRemove->setText(QStringLiteral("#chat-button"));
        c.pageWaitFor->setText(QStringLiteral("main article"));
        tabs->setCurrentIndex(2);
        ok &= Save(&settings, out, QStringLiteral("settings-page.png"));
    }
    {
        qm::UrlListModel list;
        qm::AddUrlDialog addUrl(list, home->settingsPath());
        addUrl.setAttribute(Qt::WA_DeleteOnClose, false);
        hooks.applySkin(&addUrl);
        addUrl.findChild<QPlainTextEdit*>(QStringLiteral("addresses"))
            ->setPlainText(QStringLiteral("https://www.example.com/\nhttps://www.example.org/news\n"));
        ok &= Save(&addUrl, out, QStringLiteral("add-url.png"));
    }
    return ok ? 0 : 1;
}
