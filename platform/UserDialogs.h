#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace qm {

// The common dialogs a window asks the user with: message boxes, file, folder and colour pickers.
// The desktop shows the real ones (window-modal, answered later through the callback); tests answer
// with a fake. A callback runs once; a cancelled picker answers with nothing.
class UserDialogs
{
public:
    enum class Icon { Information, Error };

    struct FileRequest
    {
        QString title; // empty: the platform's default title
        QString filter; // Qt form: "Html Files (*.htm *.html)"
        QString fileName; // preselected name
        bool save = false;
        bool multiple = false;
    };

    virtual ~UserDialogs() = default;

    // Caption is the application's title, "Quillmark".
    virtual void message(QWidget* parent, Icon icon, const QString& text, std::function<void()> dismissed = {}) = 0;
    // Chosen paths, or an empty list when the user cancelled.
    virtual void chooseFiles(QWidget* parent, const FileRequest& request, std::function<void(QStringList)> chosen) = 0;
    // A folder, or the empty text when the user cancelled.
    virtual void chooseFolder(
        QWidget* parent, const QString& prompt, const QString& start, std::function<void(QString)> chosen)
        = 0;
    virtual void chooseColour(QWidget* parent, QColor initial, std::function<void(std::optional<QColor>)> chosen) = 0;
};

} // namespace qm
