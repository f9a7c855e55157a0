#include "desktop/settings/UpDownWidget.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm {

UpDownWidget::UpDownWidget(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent)
    , m_buddy(buddy)
    , m_minimum(minimum)
    , m_maximum(maximum)
{
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    for (QToolButton* button : { up, down }) {
        button->setFixedSize(18, 12);
        button->setFocusPolicy(Qt::NoFocus);
    }
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    connect(up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
}

void UpDownWidget::stepBy(int steps)
{
    bool ok = false;
    int value = m_buddy->text().trimmed().toInt(&ok);
    if (!ok)
        value = m_minimum;
    else
        value = std::clamp(value + steps, m_minimum, m_maximum);
    m_buddy->setText(QString::number(value));
}

} // namespace qm
