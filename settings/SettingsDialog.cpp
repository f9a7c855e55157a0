#include "settings/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/UserDialogs.h"
#include "settings/ColourSwatchWidget.h"
#include "settings/IniStore.h"
#include "settings/OutputFormatTable.h"
#include "settings/ReadingRules.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsSource.h"

namespace qm {

namespace {

QString Flag(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

bool IsOne(const QString& value)
{
    return rules::equalsNumber(value, 1);
}

bool IsZero(const QString& value)
{
    return rules::equalsNumber(value, 0);
}

// The stored value as a whole number, when it is one within [minimum, maximum].
std::optional<int> InRange(const QString& value, int minimum, int maximum)
{
    const std::optional<qint32> n = rules::toInteger(rules::readAsNumber(value));
    if (!n || *n < minimum || *n > maximum)
        return std::nullopt;
    return int(*n);
}

// A page time limit typed out of range is saved as the nearest end; other text is saved as typed.
QString TimeoutText(const QString& typed)
{
    const double seconds = rules::readAsNumber(typed);
    if (!(seconds > 0) || (seconds >= 1 && seconds <= double(LongestPageTimeout.count())))
        return typed;
    return QString::number(ClampPageTimeout(seconds).count());
}

void SelectText(QComboBox* list, const QString& text)
{
    const int at = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0)
        list->setCurrentIndex(at);
}

void SetSlider(QSlider* slider, const QString& value)
{
    if (const auto n = InRange(value, slider->minimum(), slider->maximum()))
        slider->setValue(*n);
}

void SetPlacement(QComboBox* list, const QString& value)
{
    if (const auto n = InRange(value, 0, list->count() - 1))
        list->setCurrentIndex(*n);
}

} // namespace

SettingsDialog::SettingsDialog(QString settingsPath, QString programFolder, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , m_settingsPath(std::move(settingsPath))
    , m_programFolder(std::move(programFolder))
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(QStringLiteral("Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->addTab(BuildGeneralSettingsTab(m_c), QStringLiteral("General Settings"));
    tabs->addTab(BuildWatermarkTab(m_c), QStringLiteral("WaterMark Options"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    auto* reloadButton = new QPushButton(QStringLiteral("Reload"), this);
    reloadButton->setObjectName(QStringLiteral("reload"));
    reloadButton->setToolTip(QStringLiteral("Show the settings as they are saved now"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reloadButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &SettingsDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(reloadButton, &QPushButton::clicked, this, &SettingsDialog::reload);
    connect(m_c.outputType, &QComboBox::activated, this, &SettingsDialog::fillFormats);
    connect(m_c.textMarkOn, &QCheckBox::toggled, this, &SettingsDialog::applyEnableRules);
    connect(m_c.imageMarkOn, &QCheckBox::toggled, this, &SettingsDialog::applyEnableRules);
    connect(m_c.chooseTextMarkColour, &QPushButton::clicked, this, [this] { pickColour(true); });
    connect(m_c.textMarkColour, &ColourSwatchWidget::clicked, this, [this] { pickColour(true); });
    connect(m_c.chooseTransparentColour, &QPushButton::clicked, this, [this] { pickColour(false); });
    connect(m_c.imageMarkTransparentColour, &ColourSwatchWidget::clicked, this, [this] { pickColour(false); });
    connect(m_c.browseImageMark, &QPushButton::clicked, this, &SettingsDialog::pickWatermarkImage);
    connect(m_c.browseOutputFolder, &QPushButton::clicked, this, &SettingsDialog::pickFolder);

    for (int size = 1; size <= 100; ++size)
        m_c.thumbnailSize->addItem(QString::number(size));
    m_c.thumbnailSize->setCurrentIndex(-1);
    m_c.textMarkFont->addItems(QFontDatabase::families());
    m_c.textMarkFont->setCurrentIndex(-1);
    loadFromFile();
}

QString SettingsDialog::read(const SettingKey& key) const
{
    return ReadText(FileSettings(m_settingsPath), key);
}

void SettingsDialog::write(const SettingKey& key, const QString& value) const
{
    // A pick that cannot be saved now is saved with the rest at OK, which says so when it fails.
    (void)WriteSetting(m_settingsPath, key.sectionName(), key.writtenName(), value);
}

void SettingsDialog::reload()
{
    resetControls();
    loadFromFile();
}

// What a freshly built dialog shows before the file is read.
void SettingsDialog::resetControls()
{
    for (QComboBox* list :
        { m_c.outputType, m_c.thumbnailSize, m_c.textMarkFont, m_c.textMarkPlace, m_c.imageMarkPlace })
        list->setCurrentIndex(-1);
    m_c.outputFormat->clear();
    for (QLineEdit* edit : { m_c.outputFolder, m_c.customName, m_c.timeout, m_c.delay, m_c.textMark, m_c.textMarkX,
             m_c.textMarkY, m_c.textMarkSize, m_c.textMarkQuality, m_c.textMarkRotate, m_c.imageMarkFile,
             m_c.imageMarkX, m_c.imageMarkY })
        edit->clear();
    for (QCheckBox* box : { m_c.addDateTime, m_c.enableScripts, m_c.enableJava, m_c.enableActiveX, m_c.thumbnail,
             m_c.textMarkOn, m_c.imageMarkOn, m_c.writeReport })
        box->setChecked(false);
    m_c.imageQuality->setValue(90);
    m_c.textMarkTransparency->setValue(50);
    m_c.imageMarkOpacity->setValue(100);
    m_c.imageMarkDeviation->setValue(0);
    m_c.jobs->setValue(0);
    m_c.textMarkColour->setColour(Qt::black);
    m_c.imageMarkTransparentColour->setColour(Qt::black);
}

void SettingsDialog::loadFromFile()
{
    // Each step stands alone: a value that fits no control leaves that control as it was.
    const QString type = read(keys::OutputType);
    SelectText(m_c.outputType, IsZero(type) ? QStringLiteral("Image") : type);
    fillFormats();
    const QString format = read(keys::OutputFormat);
    SelectText(m_c.outputFormat, IsZero(format) ? QStringLiteral("BMP") : format);
    SetSlider(m_c.imageQuality, read(keys::Quality));
    SelectText(m_c.thumbnailSize, read(keys::ImageSize));
    const QString folder = read(keys::OutputFolder);
    m_c.outputFolder->setText(IsZero(folder) ? m_programFolder : folder);
    const QString name = read(keys::FileName);
    m_c.customName->setText(IsZero(name) ? QStringLiteral("webimage") : name);
    m_c.addDateTime->setChecked(IsOne(read(keys::DateTime)));
    (IsZero(read(keys::FileOption)) ? m_c.nameCustom : m_c.nameAfterSite)->setChecked(true);
    (IsZero(read(keys::ExistedFile)) ? m_c.numberExisting : m_c.overwriteExisting)->setChecked(true);
    const QString timeout = read(keys::Timeout);
    m_c.timeout->setText(IsZero(timeout) ? QStringLiteral("60") : timeout);
    const QString delay = read(keys::Delay);
    m_c.delay->setText(IsZero(delay) ? QStringLiteral("60") : delay);
    m_c.jobs->setValue(JobsAreAutomatic(read(keys::Jobs)) ? 0 : ReadJobs(FileSettings(m_settingsPath)));
    m_c.enableScripts->setChecked(IsOne(read(keys::Scripts)));
    m_c.enableJava->setChecked(IsOne(read(keys::Java)));
    m_c.enableActiveX->setChecked(IsOne(read(keys::ActiveX)));
    m_c.thumbnail->setChecked(IsOne(read(keys::Thumbnail)));
    m_c.writeReport->setChecked(IsOne(read(keys::Report)));
    m_c.textMarkOn->setChecked(IsOne(read(keys::TextWatermark)));

    m_c.textMark->setText(read(keys::WaterText));
    SetPlacement(m_c.textMarkPlace, read(keys::TextPlacement));
    m_c.textMarkX->setText(read(keys::TextX));
    m_c.textMarkY->setText(read(keys::TextY));
    m_c.textMarkSize->setText(read(keys::TextSize));
    m_c.textMarkQuality->setText(read(keys::TextQuality));
    SelectText(m_c.textMarkFont, read(keys::TextFont));
    m_c.textMarkRotate->setText(read(keys::TextRotate));
    SetSlider(m_c.textMarkTransparency, read(keys::TextTransparency));
    if (const auto colour = rules::toInteger(rules::readAsNumber(read(keys::TextColor))))
        m_c.textMarkColour->setColour(ColourFromRgbValue(*colour));
    m_c.imageMarkOn->setChecked(IsOne(read(keys::ImageWatermark)));
    m_c.imageMarkFile->setText(read(keys::WaterImage));
    SetPlacement(m_c.imageMarkPlace, read(keys::ImagePlacement));
    m_c.imageMarkX->setText(read(keys::ImageX));
    m_c.imageMarkY->setText(read(keys::ImageY));
    if (const auto colour = rules::toInteger(rules::readAsNumber(read(keys::ImageTransparency))))
        m_c.imageMarkTransparentColour->setColour(ColourFromRgbValue(*colour));
    SetSlider(m_c.imageMarkDeviation, read(keys::ImageDeviation));
    SetSlider(m_c.imageMarkOpacity, read(keys::ImageOpacity));

    applyEnableRules();
}

void SettingsDialog::fillFormats()
{
    m_c.outputFormat->clear();
    const QStringList items = DialogFormatsOf(m_c.outputType->currentText());
    m_c.outputFormat->addItems(items);
    m_c.outputFormat->setCurrentIndex(items.isEmpty() ? -1 : 0);
}

void SettingsDialog::applyEnableRules()
{
    const bool text = m_c.textMarkOn->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*> { m_c.chooseTextMarkColour, m_c.textMark, m_c.textMarkX,
             m_c.textMarkY, m_c.textMarkSize, m_c.textMarkQuality, m_c.textMarkFont, m_c.textMarkRotate,
             m_c.textMarkTransparency, m_c.textMarkPlace, m_c.textMarkColour })
        w->setEnabled(text);
    const bool image = m_c.imageMarkOn->isChecked();
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_c.browseImageMark, m_c.imageMarkFile, m_c.imageMarkY, m_c.imageMarkX,
            m_c.imageMarkDeviation, m_c.imageMarkOpacity, m_c.imageMarkPlace, m_c.imageMarkTransparentColour })
        w->setEnabled(image);
}

void SettingsDialog::onOk()
{
    if (m_c.customName->text().trimmed().isEmpty()) {
        m_dialogs.message(this, UserDialogs::Icon::Error, QStringLiteral("Please enter audio file name."));
        return;
    }
    auto trimmed = [](const QLineEdit* edit) { return edit->text().trimmed(); };
    using namespace keys;
    const std::initializer_list<std::pair<const SettingKey&, QString>> values {
        { OutputType, m_c.outputType->currentText().trimmed() },
        { OutputFormat, m_c.outputFormat->currentText().trimmed() },
        { Quality, QString::number(m_c.imageQuality->value()) },
        { keys::OutputFolder, trimmed(m_c.outputFolder) },
        { FileName, trimmed(m_c.customName) },
        { DateTime, Flag(m_c.addDateTime) },
        { FileOption, m_c.nameCustom->isChecked() ? QStringLiteral("0") : QStringLiteral("1") },
        { ExistedFile, m_c.numberExisting->isChecked() ? QStringLiteral("0") : QStringLiteral("1") },
        { Timeout, TimeoutText(trimmed(m_c.timeout)) },
        { Delay, trimmed(m_c.delay) },
        { Jobs, m_c.jobs->value() == 0 ? QStringLiteral("auto") : QString::number(m_c.jobs->value()) },
        { Scripts, Flag(m_c.enableScripts) },
        { Java, Flag(m_c.enableJava) },
        { ActiveX, Flag(m_c.enableActiveX) },
        { Thumbnail, Flag(m_c.thumbnail) },
        { ImageSize, m_c.thumbnailSize->currentText() },
        { keys::Report, Flag(m_c.writeReport) },
        { TextWatermark, Flag(m_c.textMarkOn) },
        { WaterText, trimmed(m_c.textMark) },
        { TextPlacement, QString::number(m_c.textMarkPlace->currentIndex()) },
        { TextX, trimmed(m_c.textMarkX) },
        { TextY, trimmed(m_c.textMarkY) },
        { TextSize, trimmed(m_c.textMarkSize) },
        { TextQuality, trimmed(m_c.textMarkQuality) },
        { TextFont, m_c.textMarkFont->currentText().trimmed() },
        { TextRotate, trimmed(m_c.textMarkRotate) },
        { TextTransparency, QString::number(m_c.textMarkTransparency->value()) },
        { ImageWatermark, Flag(m_c.imageMarkOn) },
        { WaterImage, trimmed(m_c.imageMarkFile) },
        { ImagePlacement, QString::number(m_c.imageMarkPlace->currentIndex()) },
        { ImageX, trimmed(m_c.imageMarkX) },
        { ImageY, trimmed(m_c.imageMarkY) },
        { ImageDeviation, QString::number(m_c.imageMarkDeviation->value()) },
        { ImageOpacity, QString::number(m_c.imageMarkOpacity->value()) },
    };
    QList<SettingWrite> writes;
    for (const auto& [key, value] : values)
        writes.append({ key.sectionName(), key.writtenName(), value });
    // One rewrite of the file: all of OK's values are saved or none is, and a refusal is told.
    if (const Result<void> saved = WriteSettings(m_settingsPath, writes); !saved) {
        m_dialogs.message(this, UserDialogs::Icon::Error,
            QStringLiteral("The settings were not saved: %1").arg(saved.error().message));
        return;
    }

    emit outputFormatWritten(read(keys::OutputFormat));
    accept();
}

void SettingsDialog::pickColour(bool textColour)
{
    m_dialogs.chooseColour(this, m_lastColour, [this, textColour](std::optional<QColor> picked) {
        if (!picked)
            return;
        m_lastColour = *picked;
        (textColour ? m_c.textMarkColour : m_c.imageMarkTransparentColour)->setColour(*picked);
        // Written at once: the pick survives a later Cancel.
        write(textColour ? keys::TextColor : keys::ImageTransparency, QString::number(RgbValueFromColour(*picked)));
    });
}

void SettingsDialog::pickWatermarkImage()
{
    UserDialogs::FileRequest request { .title = {},
        .filter = QStringLiteral("Image Files(*.jpg) and Gif Files(*.gif) (*.jpg *.gif)"),
        .fileName = {},
        .save = false,
        .multiple = false };
    m_dialogs.chooseFiles(this, request, [this](const QStringList& chosen) {
        if (chosen.isEmpty())
            return;
        m_c.imageMarkFile->setText(chosen.first());
        write(keys::WaterImage, m_c.imageMarkFile->text().trimmed());
    });
}

void SettingsDialog::pickFolder()
{
    m_dialogs.chooseFolder(this, QStringLiteral("Quillmark"), m_c.outputFolder->text(), [this](const QString& folder) {
        if (!folder.isEmpty())
            m_c.outputFolder->setText(folder);
    });
}

} // namespace qm
