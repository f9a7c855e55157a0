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
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    tabs->addTab(BuildGeneralSettingsTab(m_c), QStringLiteral("General Settings"));
    tabs->addTab(BuildWatermarkTab(m_c), QStringLiteral("WaterMark Options"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    auto* reloadButton = new QPushButton(QStringLiteral("Reload"), this);
    reloadButton->setObjectName(QStringLiteral("Command3"));
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
    connect(m_c.Combo2, &QComboBox::activated, this, &SettingsDialog::fillFormats);
    connect(m_c.Check6, &QCheckBox::toggled, this, &SettingsDialog::applyEnableRules);
    connect(m_c.Check7, &QCheckBox::toggled, this, &SettingsDialog::applyEnableRules);
    connect(m_c.Command15, &QPushButton::clicked, this, [this] { pickColour(true); });
    connect(m_c.Picture4, &ColourSwatchWidget::clicked, this, [this] { pickColour(true); });
    connect(m_c.Command6, &QPushButton::clicked, this, [this] { pickColour(false); });
    connect(m_c.Picture1, &ColourSwatchWidget::clicked, this, [this] { pickColour(false); });
    connect(m_c.Command5, &QPushButton::clicked, this, &SettingsDialog::pickWatermarkImage);
    connect(m_c.Command4, &QPushButton::clicked, this, &SettingsDialog::pickFolder);

    for (int size = 1; size <= 100; ++size)
        m_c.Combo3->addItem(QString::number(size));
    m_c.Combo3->setCurrentIndex(-1);
    m_c.Combo1->addItems(QFontDatabase::families());
    m_c.Combo1->setCurrentIndex(-1);
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
    for (QComboBox* list : { m_c.Combo2, m_c.Combo3, m_c.Combo1, m_c.Combo4, m_c.Combo5 })
        list->setCurrentIndex(-1);
    m_c.cboWriteSpeed->clear();
    for (QLineEdit* edit : { m_c.Text2, m_c.Text1, m_c.Text3, m_c.Text4, m_c.Text7, m_c.Text8, m_c.Text9, m_c.Text10,
             m_c.Text5, m_c.Text6, m_c.Text12, m_c.Text15, m_c.Text14 })
        edit->clear();
    for (QCheckBox* box : { m_c.Check1, m_c.Check2, m_c.Check3, m_c.Check4, m_c.Check5, m_c.Check6, m_c.Check7 })
        box->setChecked(false);
    m_c.Slider4->setValue(90);
    m_c.Slider1->setValue(50);
    m_c.Slider3->setValue(100);
    m_c.Slider2->setValue(0);
    m_c.Jobs->setValue(1);
    m_c.Picture4->setColour(Qt::black);
    m_c.Picture1->setColour(Qt::black);
}

void SettingsDialog::loadFromFile()
{
    // Each step stands alone: a value that fits no control leaves that control as it was.
    const QString type = read(keys::OutputType);
    SelectText(m_c.Combo2, IsZero(type) ? QStringLiteral("Image") : type);
    fillFormats();
    const QString format = read(keys::OutputFormat);
    SelectText(m_c.cboWriteSpeed, IsZero(format) ? QStringLiteral("BMP") : format);
    SetSlider(m_c.Slider4, read(keys::Quality));
    SelectText(m_c.Combo3, read(keys::ImageSize));
    const QString folder = read(keys::OutputFolder);
    m_c.Text2->setText(IsZero(folder) ? m_programFolder : folder);
    const QString name = read(keys::FileName);
    m_c.Text1->setText(IsZero(name) ? QStringLiteral("webimage") : name);
    m_c.Check1->setChecked(IsOne(read(keys::DateTime)));
    (IsZero(read(keys::FileOption)) ? m_c.Option3 : m_c.Option4)->setChecked(true);
    (IsZero(read(keys::ExistedFile)) ? m_c.Option1 : m_c.Option2)->setChecked(true);
    const QString timeout = read(keys::Timeout);
    m_c.Text3->setText(IsZero(timeout) ? QStringLiteral("60") : timeout);
    const QString delay = read(keys::Delay);
    m_c.Text4->setText(IsZero(delay) ? QStringLiteral("60") : delay);
    m_c.Jobs->setValue(ReadJobs(FileSettings(m_settingsPath)));
    m_c.Check2->setChecked(IsOne(read(keys::Scripts)));
    m_c.Check3->setChecked(IsOne(read(keys::Java)));
    m_c.Check4->setChecked(IsOne(read(keys::ActiveX)));
    m_c.Check5->setChecked(IsOne(read(keys::Thumbnail)));
    m_c.Check6->setChecked(IsOne(read(keys::TextWatermark)));

    m_c.Text7->setText(read(keys::WaterText));
    SetPlacement(m_c.Combo4, read(keys::TextPlacement));
    m_c.Text8->setText(read(keys::TextX));
    m_c.Text9->setText(read(keys::TextY));
    m_c.Text10->setText(read(keys::TextSize));
    m_c.Text5->setText(read(keys::TextQuality));
    SelectText(m_c.Combo1, read(keys::TextFont));
    m_c.Text6->setText(read(keys::TextRotate));
    SetSlider(m_c.Slider1, read(keys::TextTransparency));
    if (const auto colour = rules::toInteger(rules::readAsNumber(read(keys::TextColor))))
        m_c.Picture4->setColour(ColourFromRgbValue(*colour));
    m_c.Check7->setChecked(IsOne(read(keys::ImageWatermark)));
    m_c.Text12->setText(read(keys::WaterImage));
    SetPlacement(m_c.Combo5, read(keys::ImagePlacement));
    m_c.Text15->setText(read(keys::ImageX));
    m_c.Text14->setText(read(keys::ImageY));
    if (const auto colour = rules::toInteger(rules::readAsNumber(read(keys::ImageTransparency))))
        m_c.Picture1->setColour(ColourFromRgbValue(*colour));
    SetSlider(m_c.Slider2, read(keys::ImageDeviation));
    SetSlider(m_c.Slider3, read(keys::ImageOpacity));

    applyEnableRules();
}

void SettingsDialog::fillFormats()
{
    static const QHash<QString, QStringList> formats {
        { QStringLiteral("Image"),
            { QStringLiteral("BMP"), QStringLiteral("JPG"), QStringLiteral("GIF"), QStringLiteral("PNG"),
                QStringLiteral("TIFF") } },
        { QStringLiteral("PDF"), { QStringLiteral("PDF") } },
        { QStringLiteral("TEXT"), { QStringLiteral("TXT") } },
    };
    m_c.cboWriteSpeed->clear();
    const QStringList items = formats.value(m_c.Combo2->currentText());
    m_c.cboWriteSpeed->addItems(items);
    m_c.cboWriteSpeed->setCurrentIndex(items.isEmpty() ? -1 : 0);
}

void SettingsDialog::applyEnableRules()
{
    const bool text = m_c.Check6->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*> { m_c.Command15, m_c.Text7, m_c.Text8, m_c.Text9, m_c.Text10,
             m_c.Text5, m_c.Combo1, m_c.Text6, m_c.Slider1, m_c.Combo4, m_c.Picture4 })
        w->setEnabled(text);
    const bool image = m_c.Check7->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*> {
             m_c.Command5, m_c.Text12, m_c.Text14, m_c.Text15, m_c.Slider2, m_c.Slider3, m_c.Combo5, m_c.Picture1 })
        w->setEnabled(image);
}

void SettingsDialog::onOk()
{
    if (m_c.Text1->text().trimmed().isEmpty()) {
        m_dialogs.message(this, UserDialogs::Icon::Error, QStringLiteral("Please enter audio file name."));
        return;
    }
    auto trimmed = [](const QLineEdit* edit) { return edit->text().trimmed(); };
    using namespace keys;
    const std::initializer_list<std::pair<const SettingKey&, QString>> values {
        { OutputType, m_c.Combo2->currentText().trimmed() },
        { OutputFormat, m_c.cboWriteSpeed->currentText().trimmed() },
        { Quality, QString::number(m_c.Slider4->value()) },
        { keys::OutputFolder, trimmed(m_c.Text2) },
        { FileName, trimmed(m_c.Text1) },
        { DateTime, Flag(m_c.Check1) },
        { FileOption, m_c.Option3->isChecked() ? QStringLiteral("0") : QStringLiteral("1") },
        { ExistedFile, m_c.Option1->isChecked() ? QStringLiteral("0") : QStringLiteral("1") },
        { Timeout, TimeoutText(trimmed(m_c.Text3)) },
        { Delay, trimmed(m_c.Text4) },
        { Jobs, QString::number(m_c.Jobs->value()) },
        { Scripts, Flag(m_c.Check2) },
        { Java, Flag(m_c.Check3) },
        { ActiveX, Flag(m_c.Check4) },
        { Thumbnail, Flag(m_c.Check5) },
        { ImageSize, m_c.Combo3->currentText() },
        { TextWatermark, Flag(m_c.Check6) },
        { WaterText, trimmed(m_c.Text7) },
        { TextPlacement, QString::number(m_c.Combo4->currentIndex()) },
        { TextX, trimmed(m_c.Text8) },
        { TextY, trimmed(m_c.Text9) },
        { TextSize, trimmed(m_c.Text10) },
        { TextQuality, trimmed(m_c.Text5) },
        { TextFont, m_c.Combo1->currentText().trimmed() },
        { TextRotate, trimmed(m_c.Text6) },
        { TextTransparency, QString::number(m_c.Slider1->value()) },
        { ImageWatermark, Flag(m_c.Check7) },
        { WaterImage, trimmed(m_c.Text12) },
        { ImagePlacement, QString::number(m_c.Combo5->currentIndex()) },
        { ImageX, trimmed(m_c.Text15) },
        { ImageY, trimmed(m_c.Text14) },
        { ImageDeviation, QString::number(m_c.Slider2->value()) },
        { ImageOpacity, QString::number(m_c.Slider3->value()) },
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
        (textColour ? m_c.Picture4 : m_c.Picture1)->setColour(*picked);
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
        m_c.Text12->setText(chosen.first());
        write(keys::WaterImage, m_c.Text12->text().trimmed());
    });
}

void SettingsDialog::pickFolder()
{
    m_dialogs.chooseFolder(this, QStringLiteral("Quillmark"), m_c.Text2->text(), [this](const QString& folder) {
        if (!folder.isEmpty())
            m_c.Text2->setText(folder);
    });
}

} // namespace qm
