#pragma once

#include <QFrame>

namespace qm {

// A colour swatch (the watermark colours of the settings dialog): shows a colour, a click asks for another.
class ColourSwatchWidget : public QFrame
{
    Q_OBJECT
public:
    explicit ColourSwatchWidget(QWidget* parent = nullptr);

    QColor colour() const { return m_colour; }
    void setColour(const QColor& colour);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_colour = Qt::black;
};

} // namespace qm
