#pragma once

#include "platform/UserDialogs.h"

namespace qm::app {

// The real common dialogs: window-modal, shown with open(), so nothing waits in a nested loop.
class SystemDialogs : public UserDialogs
{
public:
    void message(QWidget* parent, Icon icon, const QString& text, std::function<void()> dismissed) override;
    void chooseFiles(QWidget* parent, const FileRequest& request, std::function<void(QStringList)> chosen) override;
    void chooseFolder(
        QWidget* parent, const QString& prompt, const QString& start, std::function<void(QString)> chosen) override;
    void chooseColour(QWidget* parent, QColor initial, std::function<void(std::optional<QColor>)> chosen) override;
};

} // namespace qm::app
