#include "settings/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
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

// Selects the item whose data is `value`; a value no item holds is shown as an item of its own, so that OK
// refuses it by name instead of quietly dropping it.
void SelectData(QComboBox* list, const QString& value)
{
    int at = list->findData(value);
    if (at < 0) {
        list->addItem(value, value);
        at = list->count() - 1;
    }
    list->setCurrentIndex(at);
}

// Items added by SelectData go; the fixed ones stay.
void RemoveItemsFrom(QComboBox* list, int fixed)
{
    while (list->count() > fixed)
        list->removeItem(list->count() - 1);
}

// "Name: value" lines in the box, '|' between them in the file.
QString HeaderLines(const QString& stored)
{
    QStringList lines;
    for (const QString& part : stored.split(u'|', Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty())
            lines.append(part.trimmed());
    }
    return lines.join(u'\n');
}

} // namespace

SettingsDialog::SettingsDialog(
    QString settingsPath, QString programFolder, UserDialogs& dialogs, PageSettingsCheck page, QWidget* parent)
    : QDialog(parent)
    , m_settingsPath(std::move(settingsPath))
    , m_programFolder(std::move(programFolder))
    , m_dialogs(dialogs)
    , m_page(std::move(page))
{
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(QStringLiteral("Settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->addTab(BuildGeneralSettingsTab(m_c), QStringLiteral("General Settings"));
    tabs->addTab(BuildWatermarkTab(m_c), QStringLiteral("WaterMark Options"));
    tabs->addTab(BuildPageTab(m_c, m_page.devices), QStringLiteral("Page"));

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
    connect(m_c.browsePageCookies, &QPushButton::clicked, this,
        [this] { pickPageFile(m_c.pageCookies, QStringLiteral("Cookies Files (*.txt);;All Files (*)")); });
    connect(m_c.browsePageStyle, &QPushButton::clicked, this,
        [this] { pickPageFile(m_c.pageStyle, QStringLiteral("Style Sheets (*.css);;All Files (*)")); });
    connect(m_c.browsePageScript, &QPushButton::clicked, this,
        [this] { pickPageFile(m_c.pageScript, QStringLiteral("Scripts (*.js);;All Files (*)")); });

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
             m_c.textMarkOn, m_c.imageMarkOn, m_c.taggedPdf, m_c.writeReport })
        box->setChecked(false);
    m_c.imageQuality->setValue(90);
    m_c.textMarkTransparency->setValue(50);
    m_c.imageMarkOpacity->setValue(100);
    m_c.imageMarkDeviation->setValue(0);
    m_c.jobs->setValue(0);
    m_c.textMarkColour->setColour(Qt::black);
    m_c.imageMarkTransparentColour->setColour(Qt::black);

    for (QLineEdit* edit : { m_c.pageWidth, m_c.pageHeight, m_c.pageScale, m_c.pageUserAgent, m_c.pageCookies,
             m_c.pageBlock, m_c.pageWaitFor, m_c.pageDelay, m_c.pageSelector, m_c.pageHide, m_c.pageRemove,
             m_c.pageStyle, m_c.pageScript })
        edit->clear();
    m_c.pageHeaders->clear();
    RemoveItemsFrom(m_c.pageDevice, 1 + int(m_page.devices.size()));
    RemoveItemsFrom(m_c.pageColorScheme, 3);
    m_c.pageDevice->setCurrentIndex(0);
    m_c.pageColorScheme->setCurrentIndex(0);
    m_c.pageReducedMotion->setChecked(false);
    m_c.pageNoOverlays->setChecked(false);
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
    SelectText(m_c.thumbnailSize, read(keys::ThumbnailPercent));
    const QString folder = read(keys::OutputFolder);
    m_c.outputFolder->setText(IsZero(folder) ? m_programFolder : folder);
    const QString name = read(keys::FileName);
    m_c.customName->setText(IsZero(name) ? QStringLiteral("webimage") : name);
    m_c.addDateTime->setChecked(IsOne(read(keys::DateTime)));
    (IsZero(read(keys::NameChoice)) ? m_c.nameCustom : m_c.nameAfterSite)->setChecked(true);
    (IsZero(read(keys::ExistingFileRule)) ? m_c.numberExisting : m_c.overwriteExisting)->setChecked(true);
    const QString timeout = read(keys::Timeout);
    m_c.timeout->setText(IsZero(timeout) ? QStringLiteral("60") : timeout);
    const QString delay = read(keys::Delay);
    m_c.delay->setText(IsZero(delay) ? QStringLiteral("60") : delay);
    m_c.jobs->setValue(JobsAreAutomatic(read(keys::Jobs)) ? 0 : ReadJobs(FileSettings(m_settingsPath)));
    m_c.enableScripts->setChecked(IsOne(read(keys::Scripts)));
    m_c.enableJava->setChecked(IsOne(read(keys::Java)));
    m_c.enableActiveX->setChecked(IsOne(read(keys::ActiveX)));
    m_c.thumbnail->setChecked(IsOne(read(keys::Thumbnail)));
    m_c.taggedPdf->setChecked(IsOne(read(keys::TaggedPdf)));
    m_c.writeReport->setChecked(IsOne(read(keys::Report)));
    m_c.textMarkOn->setChecked(IsOne(read(keys::TextWatermark)));

    m_c.textMark->setText(read(keys::WatermarkText));
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
    m_c.imageMarkFile->setText(read(keys::WatermarkPicture));
    SetPlacement(m_c.imageMarkPlace, read(keys::ImagePlacement));
    m_c.imageMarkX->setText(read(keys::ImageX));
    m_c.imageMarkY->setText(read(keys::ImageY));
    if (const auto colour = rules::toInteger(rules::readAsNumber(read(keys::WatermarkKeyColour))))
        m_c.imageMarkTransparentColour->setColour(ColourFromRgbValue(*colour));
    SetSlider(m_c.imageMarkDeviation, read(keys::WatermarkKeyTolerance));
    SetSlider(m_c.imageMarkOpacity, read(keys::ImageOpacity));

    loadPageTab();
    applyEnableRules();
}

// A file without a "page" section shows every box empty and every choice off.
void SettingsDialog::loadPageTab()
{
    const std::initializer_list<std::pair<QLineEdit*, const SettingKey&>> edits {
        { m_c.pageWidth, keys::Width },
        { m_c.pageHeight, keys::Height },
        { m_c.pageScale, keys::Scale },
        { m_c.pageUserAgent, keys::UserAgent },
        { m_c.pageCookies, keys::Cookies },
        { m_c.pageBlock, keys::Block },
        { m_c.pageWaitFor, keys::WaitFor },
        { m_c.pageDelay, keys::PageDelay },
        { m_c.pageSelector, keys::Selector },
        { m_c.pageHide, keys::Hide },
        { m_c.pageRemove, keys::Remove },
        { m_c.pageStyle, keys::Style },
        { m_c.pageScript, keys::Script },
    };
    for (const auto& [edit, key] : edits)
        edit->setText(read(key));
    m_c.pageHeaders->setPlainText(HeaderLines(read(keys::Headers)));
    // Preset names and schemes are matched as the capture matches them: case and blanks aside.
    const QString device = read(keys::Device).trimmed();
    const int preset = m_c.pageDevice->findData(device, Qt::UserRole, Qt::MatchFixedString);
    if (preset >= 0)
        m_c.pageDevice->setCurrentIndex(preset);
    else
        SelectData(m_c.pageDevice, device);
    SelectData(m_c.pageColorScheme, read(keys::ColorScheme).trimmed().toLower());
    m_c.pageReducedMotion->setChecked(IsOne(read(keys::ReducedMotion)));
    m_c.pageNoOverlays->setChecked(IsOne(read(keys::NoOverlays)));
}

Result<QList<std::pair<const SettingKey*, QString>>> SettingsDialog::pageValues() const
{
    auto trimmed = [](const QLineEdit* edit) { return edit->text().trimmed(); };
    QStringList headers;
    for (const QString& line : m_c.pageHeaders->toPlainText().split(u'\n')) {
        if (line.contains(u'|'))
            return fail(Error::Code::Usage, QStringLiteral("a header may not hold '|': \"%1\"").arg(line.trimmed()));
        if (!line.trimmed().isEmpty())
            headers.append(line.trimmed());
    }
    const QString delay = trimmed(m_c.pageDelay);
    if (!delay.isEmpty() && !QRegularExpression(QStringLiteral("^[0-9]+$")).match(delay).hasMatch())
        return fail(Error::Code::Usage,
            QStringLiteral("the extra delay takes a whole number of milliseconds, not \"%1\"").arg(delay));
    using namespace keys;
    QList<std::pair<const SettingKey*, QString>> values {
        { &Scale, trimmed(m_c.pageScale) },
        { &Width, trimmed(m_c.pageWidth) },
        { &Height, trimmed(m_c.pageHeight) },
        { &Device, m_c.pageDevice->currentData().toString() },
        { &WaitFor, trimmed(m_c.pageWaitFor) },
        { &PageDelay, delay },
        { &Selector, trimmed(m_c.pageSelector) },
        { &Hide, trimmed(m_c.pageHide) },
        { &Remove, trimmed(m_c.pageRemove) },
        { &NoOverlays, Flag(m_c.pageNoOverlays) },
        { &Style, trimmed(m_c.pageStyle) },
        { &Script, trimmed(m_c.pageScript) },
        { &UserAgent, trimmed(m_c.pageUserAgent) },
        { &Headers, headers.join(u'|') },
        { &Cookies, trimmed(m_c.pageCookies) },
        { &ColorScheme, m_c.pageColorScheme->currentData().toString() },
        { &ReducedMotion, Flag(m_c.pageReducedMotion) },
        { &Block, trimmed(m_c.pageBlock) },
    };
    // Checked as a page would read them, in front of the file: a value a page could not use is refused here
    // rather than failing every page later.
    if (m_page.check) {
        const FileSettings file(m_settingsPath);
        OverriddenSettings proposed(file);
        for (const auto& [key, value] : values)
            proposed.set(key->sectionName(), key->keyName(), value);
        if (auto usable = m_page.check(proposed); !usable)
            return std::unexpected(usable.error());
    }
    return values;
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
        { NameChoice, m_c.nameCustom->isChecked() ? QStringLiteral("0") : QStringLiteral("1") },
        { ExistingFileRule, m_c.numberExisting->isChecked() ? QStringLiteral("0") : QStringLiteral("1") },
        { Timeout, TimeoutText(trimmed(m_c.timeout)) },
        { Delay, trimmed(m_c.delay) },
        { Jobs, m_c.jobs->value() == 0 ? QStringLiteral("auto") : QString::number(m_c.jobs->value()) },
        { Scripts, Flag(m_c.enableScripts) },
        { Java, Flag(m_c.enableJava) },
        { ActiveX, Flag(m_c.enableActiveX) },
        { Thumbnail, Flag(m_c.thumbnail) },
        { ThumbnailPercent, m_c.thumbnailSize->currentText() },
        { keys::TaggedPdf, Flag(m_c.taggedPdf) },
        { keys::Report, Flag(m_c.writeReport) },
        { TextWatermark, Flag(m_c.textMarkOn) },
        { WatermarkText, trimmed(m_c.textMark) },
        { TextPlacement, QString::number(m_c.textMarkPlace->currentIndex()) },
        { TextX, trimmed(m_c.textMarkX) },
        { TextY, trimmed(m_c.textMarkY) },
        { TextSize, trimmed(m_c.textMarkSize) },
        { TextQuality, trimmed(m_c.textMarkQuality) },
        { TextFont, m_c.textMarkFont->currentText().trimmed() },
        { TextRotate, trimmed(m_c.textMarkRotate) },
        { TextTransparency, QString::number(m_c.textMarkTransparency->value()) },
        { ImageWatermark, Flag(m_c.imageMarkOn) },
        { WatermarkPicture, trimmed(m_c.imageMarkFile) },
        { ImagePlacement, QString::number(m_c.imageMarkPlace->currentIndex()) },
        { ImageX, trimmed(m_c.imageMarkX) },
        { ImageY, trimmed(m_c.imageMarkY) },
        { WatermarkKeyTolerance, QString::number(m_c.imageMarkDeviation->value()) },
        { ImageOpacity, QString::number(m_c.imageMarkOpacity->value()) },
    };
    const auto page = pageValues();
    if (!page) {
        // The value to mend is on the Page tab, wherever the user was.
        findChild<QTabWidget*>(QStringLiteral("tabs"))
            ->setCurrentWidget(findChild<QWidget*>(QStringLiteral("PageSettings")));
        m_dialogs.message(this, UserDialogs::Icon::Error,
            QStringLiteral("The settings were not saved: %1").arg(page.error().message));
        return;
    }
    QList<SettingWrite> writes;
    for (const auto& [key, value] : values)
        writes.append({ key.sectionName(), key.writtenName(), value });
    for (const auto& [key, value] : *page)
        writes.append({ key->sectionName(), key->writtenName(), value });
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
        write(textColour ? keys::TextColor : keys::WatermarkKeyColour, QString::number(RgbValueFromColour(*picked)));
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
        write(keys::WatermarkPicture, m_c.imageMarkFile->text().trimmed());
    });
}

void SettingsDialog::pickPageFile(QLineEdit* target, const QString& filter)
{
    UserDialogs::FileRequest request {
        .title = {}, .filter = filter, .fileName = {}, .save = false, .multiple = false
    };
    m_dialogs.chooseFiles(this, request, [target](const QStringList& chosen) {
        if (!chosen.isEmpty())
            target->setText(chosen.first());
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
