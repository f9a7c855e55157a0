#include "app/SystemDialogsUi.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/VisibleText.h"

namespace qm::app {

namespace {
const QString kTitle = QStringLiteral("Quillmark");
}

void SystemDialogs::message(QWidget* parent, Icon icon, const QString& text, std::function<void()> dismissed)
{
    // Reasons in a message come from pages and servers: their controls are shown escaped, line by line.
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = VisibleText(line);
    auto* box = new QMessageBox(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information, kTitle,
        lines.join(u'\n'), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box, [dismissed = std::move(dismissed)] {
        if (dismissed)
            dismissed();
    });
    box->open();
}

void SystemDialogs::chooseFiles(QWidget* parent, const FileRequest& request, std::function<void(QStringList)> chosen)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!request.title.isEmpty())
        dialog->setWindowTitle(request.title);
    dialog->setNameFilter(request.filter);
    // Names are used as typed: no default extension, no question before overwriting.
    dialog->setOptions(QFileDialog::DontResolveSymlinks | QFileDialog::DontConfirmOverwrite);
    if (request.save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
    } else {
        dialog->setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    if (!request.fileName.isEmpty())
        dialog->selectFile(request.fileName);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        chosen(result == QDialog::Accepted ? dialog->selectedFiles() : QStringList());
    });
    dialog->open();
}

void SystemDialogs::chooseFolder(
    QWidget* parent, const QString& prompt, const QString& start, std::function<void(QString)> chosen)
{
    auto* dialog = new QFileDialog(parent, prompt, start);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        const QStringList picked = dialog->selectedFiles();
        chosen(result == QDialog::Accepted && !picked.isEmpty() ? picked.first() : QString());
    });
    dialog->open();
}

void SystemDialogs::chooseColour(QWidget* parent, QColor initial, std::function<void(std::optional<QColor>)> chosen)
{
    auto* dialog = new QColorDialog(initial, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        if (result == QDialog::Accepted)
            chosen(dialog->selectedColor());
        else
            chosen(std::nullopt);
    });
    dialog->open();
}

} // namespace qm::app
