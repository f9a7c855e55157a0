#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace qm {

class UrlListModel;

// The Add URL dialog, "Add URL(S) to List": one address per line; OK appends a row for each non-blank line.
class AddUrlDialog : public QDialog
{
    Q_OBJECT
public:
    AddUrlDialog(UrlListModel& list, QString settingsPath, QWidget* parent = nullptr);

private:
    void accept() override;

    UrlListModel& m_list;
    QString m_settingsPath;
    QPlainTextEdit* m_text;
};

} // namespace qm
