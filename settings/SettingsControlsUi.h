#pragma once

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QWidget;

namespace qm {

class ColourSwatchWidget;

// The controls of the settings dialog, named as the dialog's users know them.
struct SettingsControls
{
    // General Settings
    QLineEdit* Text2 = nullptr; // output folder
    QPushButton* Command4 = nullptr; // folder picker
    QRadioButton* Option1 = nullptr; // add number after filename
    QRadioButton* Option2 = nullptr; // overwrite
    QLineEdit* Text1 = nullptr; // file name
    QCheckBox* Check1 = nullptr; // date + time
    QRadioButton* Option3 = nullptr; // custom name
    QRadioButton* Option4 = nullptr; // name after the web site
    QComboBox* Combo2 = nullptr; // output type
    QComboBox* cboWriteSpeed = nullptr; // output format
    QSlider* Slider4 = nullptr; // quality
    QLineEdit* Text3 = nullptr; // timeout
    QLineEdit* Text4 = nullptr; // delay
    QSpinBox* Jobs = nullptr; // pages at once
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check5 = nullptr; // thumbnail
    QComboBox* Combo3 = nullptr; // thumbnail size

    // WaterMark Options
    QCheckBox* Check6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QSlider* Slider1 = nullptr;
    QComboBox* Combo1 = nullptr; // font
    QLineEdit* Text10 = nullptr; // size
    QLineEdit* Text5 = nullptr; // quality
    ColourSwatchWidget* Picture4 = nullptr;
    QPushButton* Command15 = nullptr;
    QComboBox* Combo4 = nullptr;
    QLineEdit* Text8 = nullptr;
    QLineEdit* Text9 = nullptr;
    QLineEdit* Text6 = nullptr; // rotate
    QCheckBox* Check7 = nullptr;
    QLineEdit* Text12 = nullptr; // watermark image
    QPushButton* Command5 = nullptr;
    QSlider* Slider3 = nullptr; // opacity
    QSlider* Slider2 = nullptr; // deviation
    ColourSwatchWidget* Picture1 = nullptr;
    QPushButton* Command6 = nullptr;
    QComboBox* Combo5 = nullptr;
    QLineEdit* Text15 = nullptr;
    QLineEdit* Text14 = nullptr;
};

QWidget* BuildGeneralSettingsTab(SettingsControls& c);
QWidget* BuildWatermarkTab(SettingsControls& c);

} // namespace qm
