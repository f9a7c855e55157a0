#include "app/DesktopUi.h"

#include <QApplication>
#include <QLabel>

namespace qm::app {

int runDesktop(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Quillmark: the desktop windows are not built yet."));
    label.show();
    return app.exec();
}

} // namespace qm::app
