#pragma once

#include <QFrame>
#include <QList>

namespace qm::app {

class ImageButtonWidget;

// The toolbar strip. Hovering an image frames it alone; moving onto the strip itself
// removes every frame.
class ToolbarWidget : public QFrame
{
    Q_OBJECT
public:
    explicit ToolbarWidget(QWidget* parent = nullptr);

    // Adds an image button with its caption; returns it for the owner to connect.
    ImageButtonWidget* addImage(
        const QString& name, const QString& icon, const QString& labelName, const QString& caption);
    void addStretch();

    void frameOnly(ImageButtonWidget* image); // nullptr: no frame at all

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<ImageButtonWidget*> m_images;
};

} // namespace qm::app
