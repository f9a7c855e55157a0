#include "batch/UrlListCommands.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "batch/SelectedFiles.h"
#include "batch/UrlListFile.h"
#include "batch/UrlListModel.h"
#include "platform/UserDialogs.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {
const QString kListFilter = QStringLiteral("Url List Files(*.ulf)");
const QString kHtmlFilter = QStringLiteral("Html Files (*.htm *.html)");

QString ReadOutputFormat(const QString& settingsPath)
{
    return ReadText(FileSettings(settingsPath), keys::OutputFormat);
}
} // namespace

int AddUrlLines(UrlListModel& list, const QString& settingsPath, const QString& text)
{
    int added = 0;
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : text.split(lineEnd)) {
        if (line.trimmed().isEmpty())
            continue;
        list.appendUrl(line, ReadOutputFormat(settingsPath));
        ++added;
    }
    return added;
}

UrlListCommands::UrlListCommands(UrlListModel& list, QString settingsPath, UserDialogs& dialogs)
    : m_list(list)
    , m_settingsPath(std::move(settingsPath))
    , m_dialogs(dialogs)
{
}

QString UrlListCommands::outputFormat() const
{
    return ReadOutputFormat(m_settingsPath);
}

bool UrlListCommands::IsHtmlFileName(const QString& path)
{
    return path.right(3).toUpper() == QLatin1String("HTM") || path.right(4).toUpper() == QLatin1String("HTML");
}

void UrlListCommands::addHtmlFiles(QWidget* parent)
{
    UserDialogs::FileRequest request {
        .title = m_dialogTitle, .filter = kHtmlFilter, .fileName = m_dialogFileName, .save = false, .multiple = true
    };
    m_dialogs.chooseFiles(parent, request, [this](const QStringList& chosen) {
        if (chosen.isEmpty())
            return;
        const SelectedFiles info = ParseSelectedFiles(chosen);
        m_dialogFileName.clear();
        const QString format = outputFormat();
        for (qsizetype i = 0; i < info.count; ++i)
            m_list.appendUrl(info.folder + info.names[i], format);
    });
}

void UrlListCommands::saveUrlList(QWidget* parent)
{
    m_dialogTitle = QStringLiteral("Save converting project file");
    UserDialogs::FileRequest request {
        .title = m_dialogTitle, .filter = kListFilter, .fileName = m_dialogFileName, .save = true, .multiple = false
    };
    m_dialogs.chooseFiles(parent, request, [this, parent](const QStringList& chosen) {
        Result<void> written = fail(Error::Code::Cancelled, QStringLiteral("cancelled"));
        if (!chosen.isEmpty()) {
            // A name typed without an extension gets the list's, or Load's filter would hide the file.
            QString name = chosen.first();
            if (QFileInfo(name).suffix().isEmpty())
                name += QStringLiteral(".ulf");
            m_dialogFileName = name;
            QList<UrlListEntry> rows;
            for (int i = 0; i < m_list.rowCount(); ++i)
                rows.append(UrlListEntry { m_list.address(i), m_list.format(i) });
            written = WriteUrlListFile(name, rows);
        }
        if (written)
            m_dialogs.message(parent, UserDialogs::Icon::Information, QStringLiteral("Url List File is saved!"));
        else
            m_dialogs.message(parent, UserDialogs::Icon::Error, QStringLiteral("Save Url List File Error!"));
    });
}

void UrlListCommands::loadUrlList(QWidget* parent)
{
    m_dialogTitle = QStringLiteral("Select a converting project file");
    UserDialogs::FileRequest request {
        .title = m_dialogTitle, .filter = kListFilter, .fileName = m_dialogFileName, .save = false, .multiple = false
    };
    m_dialogs.chooseFiles(parent, request, [this, parent](const QStringList& chosen) {
        if (chosen.isEmpty() || chosen.first().isEmpty())
            return;
        m_dialogFileName = chosen.first();
        // A file that cannot be read leaves the list as it was; one that is there but is no list says so.
        const Result<QStringList> addresses = ReadUrlListFile(chosen.first());
        if (!addresses) {
            if (addresses.error().code != Error::Code::NotFound)
                m_dialogs.message(parent, UserDialogs::Icon::Error, addresses.error().message);
            return;
        }
        m_list.clearAll();
        const QString format = outputFormat();
        for (const QString& address : *addresses)
            m_list.appendUrl(address, format);
    });
}

void UrlListCommands::dropFiles(QWidget* parent, const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!IsHtmlFileName(path)) {
            m_dialogs.message(parent, UserDialogs::Icon::Information, QStringLiteral("Only HTML files are allowed!"));
            return;
        }
        m_list.appendUrl(path, QString());
    }
}

} // namespace qm
