#pragma once

#include <QWidget>

class QLineEdit;

namespace qm {

// An up-down pair beside a text box (time limit and delay): steps the whole number in the box within a
// range; the box itself keeps any text the user types.
class UpDownWidget : public QWidget
{
    Q_OBJECT
public:
    UpDownWidget(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

    void stepBy(int steps);

private:
    QLineEdit* m_buddy;
    int m_minimum;
    int m_maximum;
};

} // namespace qm
