#include "batch/AddUrlDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "batch/UrlListCommands.h"

namespace qm {

AddUrlDialog::AddUrlDialog(UrlListModel& list, QString settingsPath, QWidget* parent)
    : QDialog(parent)
    , m_list(list)
    , m_settingsPath(std::move(settingsPath))
{
    setObjectName(QStringLiteral("addUrlDialog"));
    setWindowTitle(QStringLiteral("Add URL(S) to List"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* label = new QLabel(QStringLiteral("Enter one address per line, each with its prefix, for example:\n"
                                            "http://www.example.com/index.html\n"
                                            "file:///home/me/web/index.htm  or  /home/me/web/index.htm"),
        this);
    label->setObjectName(QStringLiteral("hint"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("addresses"));
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setTabChangesFocus(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(false);
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &AddUrlDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
    resize(520, 320);
}

void AddUrlDialog::accept()
{
    AddUrlLines(m_list, m_settingsPath, m_text->toPlainText());
    QDialog::accept();
}

} // namespace qm
