#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "settings/ColourSwatchWidget.h"
#include "settings/SettingsControlsUi.h"
#include "settings/SettingsWidgetsUi.h"

namespace qm {

namespace {

const QStringList& PlacementItems()
{
    static const QStringList items { QStringLiteral("the top lies on the left"),
        QStringLiteral("the top lies on the right"), QStringLiteral("the bottom lies on the left"),
        QStringLiteral("the bottom lies on the right"), QStringLiteral("specified place!") };
    return items;
}

QLineEdit* Short(QLineEdit* edit)
{
    edit->setMaximumWidth(64);
    return edit;
}

QGroupBox* PlaceFrame(const char* name, QComboBox* place, QLineEdit* x, QLineEdit* y, QLineEdit* rotate)
{
    auto* frame = Named<QGroupBox>(name, QStringLiteral("Watermark place"));
    place->addItems(PlacementItems());
    place->setCurrentIndex(-1);
    auto* layout = new QGridLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("Watermark Place")), 0, 0);
    layout->addWidget(place, 0, 1, 1, 5);
    layout->addWidget(new QLabel(QStringLiteral("X")), 1, 0, Qt::AlignRight);
    layout->addWidget(Short(x), 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Y")), 1, 2, Qt::AlignRight);
    layout->addWidget(Short(y), 1, 3);
    if (rotate) {
        layout->addWidget(new QLabel(QStringLiteral("Rotate")), 1, 4, Qt::AlignRight);
        layout->addWidget(Short(rotate), 1, 5);
    }
    layout->setColumnStretch(6, 1);
    return frame;
}

QGroupBox* TextFrame(SettingsControls& c)
{
    auto* frame = Named<QGroupBox>("Frame9", QStringLiteral("Watermark String Settings"));
    c.Check6 = Named<QCheckBox>("Check6", QStringLiteral("Enable Watermark Text"));
    c.Text7 = Named<QLineEdit>("Text7");
    c.Slider1 = Slider("Slider1", 1, 100, 5, 1, 50);

    auto* text = Named<QGroupBox>("Frame10", QStringLiteral("Text"));
    c.Combo1 = Named<QComboBox>("Combo1");
    c.Text10 = Named<QLineEdit>("Text10");
    c.Text5 = Named<QLineEdit>("Text5");
    c.Picture4 = Named<ColourSwatchWidget>("Picture4");
    c.Command15 = Named<QPushButton>("Command15", QStringLiteral("..."));
    c.Command15->setFixedWidth(32);
    auto* textLayout = new QGridLayout(text);
    textLayout->addWidget(new QLabel(QStringLiteral("Font")), 0, 0);
    textLayout->addWidget(c.Combo1, 0, 1, 1, 5);
    textLayout->addWidget(new QLabel(QStringLiteral("Size")), 1, 0);
    textLayout->addWidget(Short(c.Text10), 1, 1);
    textLayout->addWidget(new QLabel(QStringLiteral("Quality")), 1, 2, Qt::AlignRight);
    textLayout->addWidget(Short(c.Text5), 1, 3);
    textLayout->addWidget(new QLabel(QStringLiteral("Text Color:")), 2, 0, 1, 2);
    textLayout->addWidget(c.Picture4, 2, 2);
    textLayout->addWidget(c.Command15, 2, 3, Qt::AlignLeft);
    textLayout->setColumnStretch(5, 1);

    c.Combo4 = Named<QComboBox>("Combo4");
    c.Text8 = Named<QLineEdit>("Text8");
    c.Text9 = Named<QLineEdit>("Text9");
    c.Text6 = Named<QLineEdit>("Text6");
    QGroupBox* place = PlaceFrame("Frame11", c.Combo4, c.Text8, c.Text9, c.Text6);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Watermark Text")), 0, 0);
    top->addWidget(c.Text7, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Transparency")), 1, 0);
    top->addWidget(WithValue(c.Slider1), 1, 1);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(text, 1);
    boxes->addWidget(place, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(c.Check6);
    layout->addLayout(top);
    layout->addLayout(boxes);
    return frame;
}

QGroupBox* ImageFrame(SettingsControls& c)
{
    auto* frame = Named<QGroupBox>("Frame12", QStringLiteral("Watermark Image Settings"));
    c.Check7 = Named<QCheckBox>("Check7", QStringLiteral("Enable Watermark Image"));
    c.Text12 = Named<QLineEdit>("Text12");
    c.Command5 = Named<QPushButton>("Command5", QStringLiteral("Browse"));
    c.Slider3 = Slider("Slider3", 1, 100, 5, 1, 100);
    c.Slider2 = Slider("Slider2", 0, 255, 10, 5, 0);

    auto* transparency = Named<QGroupBox>("Frame13", QStringLiteral("Transparency"));
    c.Picture1 = Named<ColourSwatchWidget>("Picture1");
    c.Command6 = Named<QPushButton>("Command6", QStringLiteral("..."));
    c.Command6->setFixedWidth(32);
    auto* transparencyLayout = new QGridLayout(transparency);
    transparencyLayout->addWidget(new QLabel(QStringLiteral("Transparency Color:")), 0, 0, 1, 3);
    transparencyLayout->addWidget(c.Picture1, 1, 0);
    transparencyLayout->addWidget(c.Command6, 1, 1, Qt::AlignLeft);
    transparencyLayout->addWidget(new QLabel(QStringLiteral("Deviation")), 2, 0);
    transparencyLayout->addWidget(WithValue(c.Slider2), 2, 1, 1, 2);
    transparencyLayout->setColumnStretch(2, 1);

    c.Combo5 = Named<QComboBox>("Combo5");
    c.Text15 = Named<QLineEdit>("Text15");
    c.Text14 = Named<QLineEdit>("Text14");
    QGroupBox* place = PlaceFrame("Frame14", c.Combo5, c.Text15, c.Text14, nullptr);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Watermark image")), 0, 0);
    top->addWidget(c.Text12, 0, 1);
    top->addWidget(c.Command5, 0, 2);
    top->addWidget(new QLabel(QStringLiteral("Opacity")), 1, 0);
    top->addWidget(WithValue(c.Slider3), 1, 1, 1, 2);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(transparency, 1);
    boxes->addWidget(place, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(c.Check7);
    layout->addLayout(top);
    layout->addLayout(boxes);
    return frame;
}

} // namespace

QWidget* BuildWatermarkTab(SettingsControls& c)
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("WaterMarkOptions"));
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(TextFrame(c));
    layout->addWidget(ImageFrame(c));
    layout->addStretch();
    return tab;
}

} // namespace qm
