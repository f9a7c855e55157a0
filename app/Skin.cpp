#include "app/Skin.h"

#include <QFile>

#include "platform/AppHome.h"

namespace qm::app {

QString ReadSkin(const AppHome& home)
{
    const QString name = QStringLiteral("skins/frmmain.skn");
    for (const QString& path : { home.file(name), AppHome::shareFile(name) }) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return QString::fromUtf8(file.readAll());
    }
    return {};
}

} // namespace qm::app
