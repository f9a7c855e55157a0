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

#include "desktop/settings/ColourSwatchWidget.h"
#include "desktop/settings/SettingsControlsUi.h"
#include "desktop/settings/SettingsWidgetsUi.h"

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
    auto* frame = Named<QGroupBox>("textMarkBox", QStringLiteral("Watermark String Settings"));
    c.textMarkOn = Named<QCheckBox>("textMarkOn", QStringLiteral("Enable Watermark Text"));
    c.textMark = Named<QLineEdit>("textMark");
    c.textMarkTransparency = Slider("textMarkTransparency", 1, 100, 5, 1, 50);

    auto* text = Named<QGroupBox>("textMarkTextBox", QStringLiteral("Text"));
    c.textMarkFont = Named<QComboBox>("textMarkFont");
    c.textMarkSize = Named<QLineEdit>("textMarkSize");
    c.textMarkQuality = Named<QLineEdit>("textMarkQuality");
    c.textMarkColour = Named<ColourSwatchWidget>("textMarkColour");
    c.chooseTextMarkColour
        = Named<QPushButton>(ObjectName(kSettingsLegacyObjectNames, "chooseTextMarkColour"), QStringLiteral("..."));
    c.chooseTextMarkColour->setFixedWidth(32);
    auto* textLayout = new QGridLayout(text);
    textLayout->addWidget(new QLabel(QStringLiteral("Font")), 0, 0);
    textLayout->addWidget(c.textMarkFont, 0, 1, 1, 5);
    textLayout->addWidget(new QLabel(QStringLiteral("Size")), 1, 0);
    textLayout->addWidget(Short(c.textMarkSize), 1, 1);
    textLayout->addWidget(new QLabel(QStringLiteral("Quality")), 1, 2, Qt::AlignRight);
    textLayout->addWidget(Short(c.textMarkQuality), 1, 3);
    textLayout->addWidget(new QLabel(QStringLiteral("Text Color:")), 2, 0, 1, 2);
    textLayout->addWidget(c.textMarkColour, 2, 2);
    textLayout->addWidget(c.chooseTextMarkColour, 2, 3, Qt::AlignLeft);
    textLayout->setColumnStretch(5, 1);

    c.textMarkPlace = Named<QComboBox>("textMarkPlace");
    c.textMarkX = Named<QLineEdit>("textMarkX");
    c.textMarkY = Named<QLineEdit>("textMarkY");
    c.textMarkRotate = Named<QLineEdit>("textMarkRotate");
    QGroupBox* place = PlaceFrame("textMarkPlaceBox", c.textMarkPlace, c.textMarkX, c.textMarkY, c.textMarkRotate);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Watermark Text")), 0, 0);
    top->addWidget(c.textMark, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Transparency")), 1, 0);
    top->addWidget(WithValue(c.textMarkTransparency), 1, 1);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(text, 1);
    boxes->addWidget(place, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(c.textMarkOn);
    layout->addLayout(top);
    layout->addLayout(boxes);
    return frame;
}

QGroupBox* ImageFrame(SettingsControls& c)
{
    auto* frame = Named<QGroupBox>("imageMarkBox", QStringLiteral("Watermark Image Settings"));
    c.imageMarkOn = Named<QCheckBox>("imageMarkOn", QStringLiteral("Enable Watermark Image"));
    c.imageMarkFile = Named<QLineEdit>("imageMarkFile");
    c.browseImageMark = Named<QPushButton>("browseImageMark", QStringLiteral("Browse"));
    c.imageMarkOpacity = Slider("imageMarkOpacity", 1, 100, 5, 1, 100);
    c.imageMarkDeviation = Slider("imageMarkDeviation", 0, 255, 10, 5, 0);

    auto* transparency = Named<QGroupBox>("imageMarkTransparencyBox", QStringLiteral("Transparency"));
    c.imageMarkTransparentColour = Named<ColourSwatchWidget>("imageMarkTransparentColour");
    c.chooseTransparentColour
        = Named<QPushButton>(ObjectName(kSettingsLegacyObjectNames, "chooseTransparentColour"), QStringLiteral("..."));
    c.chooseTransparentColour->setFixedWidth(32);
    auto* transparencyLayout = new QGridLayout(transparency);
    transparencyLayout->addWidget(new QLabel(QStringLiteral("Transparency Color:")), 0, 0, 1, 3);
    transparencyLayout->addWidget(c.imageMarkTransparentColour, 1, 0);
    transparencyLayout->addWidget(c.chooseTransparentColour, 1, 1, Qt::AlignLeft);
    transparencyLayout->addWidget(new QLabel(QStringLiteral("Deviation")), 2, 0);
    transparencyLayout->addWidget(WithValue(c.imageMarkDeviation), 2, 1, 1, 2);
    transparencyLayout->setColumnStretch(2, 1);

    c.imageMarkPlace = Named<QComboBox>("imageMarkPlace");
    c.imageMarkX = Named<QLineEdit>("imageMarkX");
    c.imageMarkY = Named<QLineEdit>("imageMarkY");
    QGroupBox* place = PlaceFrame("imageMarkPlaceBox", c.imageMarkPlace, c.imageMarkX, c.imageMarkY, nullptr);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Watermark image")), 0, 0);
    top->addWidget(c.imageMarkFile, 0, 1);
    top->addWidget(c.browseImageMark, 0, 2);
    top->addWidget(new QLabel(QStringLiteral("Opacity")), 1, 0);
    top->addWidget(WithValue(c.imageMarkOpacity), 1, 1, 1, 2);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(transparency, 1);
    boxes->addWidget(place, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(c.imageMarkOn);
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
