#pragma once

#include <QStringList>

#include "platform/LegacyObjectNames.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QWidget;

namespace qm {

// The settings dialog's objects that the skin selects by their old names.
constexpr LegacyObjectName kSettingsLegacyObjectNames[] = {
    { "chooseTextMarkColour", "Command15" },
    { "chooseTransparentColour", "Command6" },
};

class ColourSwatchWidget;

// The controls of the settings dialog; each has its member's name as object name, unless the table
// above gives it a legacy one.
struct SettingsControls
{
    // General Settings
    QLineEdit* outputFolder = nullptr;
    QPushButton* browseOutputFolder = nullptr;
    QRadioButton* numberExisting = nullptr;
    QRadioButton* overwriteExisting = nullptr;
    QLineEdit* customName = nullptr;
    QCheckBox* addDateTime = nullptr;
    QRadioButton* nameCustom = nullptr;
    QRadioButton* nameAfterSite = nullptr;
    QComboBox* outputType = nullptr;
    QComboBox* outputFormat = nullptr;
    QSlider* imageQuality = nullptr;
    QLineEdit* timeout = nullptr;
    QLineEdit* delay = nullptr;
    QSpinBox* jobs = nullptr;
    QCheckBox* enableScripts = nullptr;
    QCheckBox* enableJava = nullptr;
    QCheckBox* enableActiveX = nullptr;
    QCheckBox* thumbnail = nullptr;
    QComboBox* thumbnailSize = nullptr;
    QCheckBox* taggedPdf = nullptr; // "taggedpdf": PDFs for screen readers
    QCheckBox* writeReport = nullptr; // "report": each batch writes report.html

    // WaterMark Options
    QCheckBox* textMarkOn = nullptr;
    QLineEdit* textMark = nullptr;
    QSlider* textMarkTransparency = nullptr;
    QComboBox* textMarkFont = nullptr;
    QLineEdit* textMarkSize = nullptr;
    QLineEdit* textMarkQuality = nullptr;
    ColourSwatchWidget* textMarkColour = nullptr;
    QPushButton* chooseTextMarkColour = nullptr;
    QComboBox* textMarkPlace = nullptr;
    QLineEdit* textMarkX = nullptr;
    QLineEdit* textMarkY = nullptr;
    QLineEdit* textMarkRotate = nullptr;
    QCheckBox* imageMarkOn = nullptr;
    QLineEdit* imageMarkFile = nullptr;
    QPushButton* browseImageMark = nullptr;
    QSlider* imageMarkOpacity = nullptr;
    QSlider* imageMarkDeviation = nullptr;
    ColourSwatchWidget* imageMarkTransparentColour = nullptr;
    QPushButton* chooseTransparentColour = nullptr;
    QComboBox* imageMarkPlace = nullptr;
    QLineEdit* imageMarkX = nullptr;
    QLineEdit* imageMarkY = nullptr;

    // Page: how the page is shown
    QComboBox* pageDevice = nullptr; // "None" first, then the presets; each item's data is the stored name
    QLineEdit* pageWidth = nullptr;
    QLineEdit* pageHeight = nullptr;
    QLineEdit* pageScale = nullptr;
    QLineEdit* pageUserAgent = nullptr;
    QPlainTextEdit* pageHeaders = nullptr; // one "Name: value" a line
    QLineEdit* pageCookies = nullptr;
    QPushButton* browsePageCookies = nullptr;
    QComboBox* pageColorScheme = nullptr; // item data: "", "light", "dark"
    QCheckBox* pageReducedMotion = nullptr;
    QLineEdit* pageBlock = nullptr;
    // Page: what is kept
    QLineEdit* pageWaitFor = nullptr;
    QLineEdit* pageDelay = nullptr;
    QLineEdit* pageSelector = nullptr;
    QLineEdit* pageHide = nullptr;
    QLineEdit* pageRemove = nullptr;
    QCheckBox* pageNoOverlays = nullptr;
    QLineEdit* pageStyle = nullptr;
    QPushButton* browsePageStyle = nullptr;
    QLineEdit* pageScript = nullptr;
    QPushButton* browsePageScript = nullptr;
};

QWidget* BuildGeneralSettingsTab(SettingsControls& c);
QWidget* BuildWatermarkTab(SettingsControls& c);
// `devices`: the preset names the device list offers after "None".
QWidget* BuildPageTab(SettingsControls& c, const QStringList& devices);

} // namespace qm
