#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "desktop/settings/SettingsControlsUi.h"
#include "desktop/settings/SettingsWidgetsUi.h"
#include "desktop/settings/UpDownWidget.h"
#include "settings/OutputFormatTable.h"
#include "settings/SettingKeys.h"

namespace qm {

namespace {

QGroupBox* Frame(const char* name, const QString& caption)
{
    return Named<QGroupBox>(name, caption);
}

QWidget* SecondsBox(QLineEdit* text, const char* upDownName, int minimum)
{
    auto* box = new QWidget;
    text->setMaximumWidth(70);
    auto* upDown = new UpDownWidget(text, minimum, 3600);
    upDown->setObjectName(QLatin1String(upDownName));
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(text);
    layout->addWidget(upDown);
    layout->addWidget(new QLabel(QStringLiteral("Seconds")));
    layout->addStretch();
    return box;
}

QGroupBox* SaveFrame(SettingsControls& c)
{
    QGroupBox* frame = Frame("outputFilesBox", QStringLiteral("Save Output Files to"));
    c.outputFolder = Named<QLineEdit>("outputFolder");
    c.browseOutputFolder = Named<QPushButton>("browseOutputFolder", QStringLiteral("Browse..."));

    QGroupBox* existed = Frame("existingFileBox", QStringLiteral("If same as an existed file"));
    c.numberExisting = Named<QRadioButton>("numberExisting", QStringLiteral("Add number after filename"));
    c.overwriteExisting = Named<QRadioButton>("overwriteExisting", QStringLiteral("Overwrite the existed file"));
    auto* existedLayout = new QVBoxLayout(existed);
    existedLayout->addWidget(c.numberExisting);
    existedLayout->addWidget(c.overwriteExisting);
    existedLayout->addStretch();

    QGroupBox* naming = Frame("fileNamingBox", QStringLiteral("Filename prefill system to use"));
    c.customName = Named<QLineEdit>("customName");
    c.addDateTime = Named<QCheckBox>("addDateTime", QStringLiteral("Date + Time"));
    c.nameCustom
        = Named<QRadioButton>("nameCustom", QStringLiteral("Custom File Name + Date (ddmmyyyy) + Time (hhmmss)"));
    c.nameAfterSite
        = Named<QRadioButton>("nameAfterSite", QStringLiteral("Name the output file based on the web site name"));
    auto* example = Named<QLabel>("namingExample", QStringLiteral("For Example: www_wesitename_com.jpg"));
    example->setIndent(22);
    example->setEnabled(false);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("File Name")));
    nameRow->addWidget(c.customName, 1);
    nameRow->addWidget(new QLabel(QStringLiteral("+")));
    nameRow->addWidget(c.addDateTime);
    auto* namingLayout = new QVBoxLayout(naming);
    namingLayout->addLayout(nameRow);
    namingLayout->addWidget(c.nameCustom);
    namingLayout->addWidget(c.nameAfterSite);
    namingLayout->addWidget(example);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Output Folder")));
    folderRow->addWidget(c.outputFolder, 1);
    folderRow->addWidget(c.browseOutputFolder);
    auto* inner = new QHBoxLayout;
    inner->addWidget(existed);
    inner->addWidget(naming, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(folderRow);
    layout->addLayout(inner);
    return frame;
}

QGroupBox* FormatFrame(SettingsControls& c)
{
    QGroupBox* frame = Frame("outputFormatBox", QStringLiteral("Output Format"));
    c.outputType = Named<QComboBox>("outputType");
    c.outputType->addItems(DialogOutputTypes());
    c.outputType->setCurrentIndex(-1);
    c.outputFormat = Named<QComboBox>("outputFormat");
    c.imageQuality = Slider("imageQuality", 1, 100, 20, 10, 90);
    auto* layout = new QGridLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("Output Type")), 0, 0);
    layout->addWidget(c.outputType, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Output Format")), 1, 0);
    layout->addWidget(c.outputFormat, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Image Quality %")), 2, 0);
    layout->addWidget(WithValue(c.imageQuality), 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
    return frame;
}

QGroupBox* BrowserFrame(SettingsControls& c)
{
    QGroupBox* frame = Frame("browserBox", QStringLiteral("Browser"));
    c.timeout = Named<QLineEdit>("timeout");
    c.timeout->setToolTip(QStringLiteral("Time limit for each page; a page that takes longer is marked Failed"));
    c.delay = Named<QLineEdit>("delay");
    c.jobs = Named<QSpinBox>("jobs");
    c.jobs->setRange(0, MostJobs);
    c.jobs->setSpecialValueText(QStringLiteral("Automatic")); // 0: as many as the cores and memory allow
    c.jobs->setToolTip(QStringLiteral("How many pages are converted at the same time"));
    c.enableScripts = Named<QCheckBox>("enableScripts", QStringLiteral("Enable Scripts"));
    c.enableJava = Named<QCheckBox>("enableJava", QStringLiteral("Enable JAVA"));
    c.enableActiveX = Named<QCheckBox>("enableActiveX", QStringLiteral("Enable ActiveX"));
    auto* checks = new QHBoxLayout;
    checks->addWidget(c.enableScripts);
    checks->addWidget(c.enableJava);
    checks->addWidget(c.enableActiveX);
    checks->addStretch();
    auto* layout = new QGridLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("Timeout")), 0, 0);
    layout->addWidget(SecondsBox(c.timeout, "timeoutUpDown", 1), 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Delay")), 1, 0);
    layout->addWidget(SecondsBox(c.delay, "delayUpDown", 0), 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Pages at once")), 2, 0);
    layout->addWidget(c.jobs, 2, 1, Qt::AlignLeft);
    layout->addLayout(checks, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return frame;
}

QGroupBox* ThumbnailFrame(SettingsControls& c)
{
    QGroupBox* frame = Frame("thumbnailBox", QStringLiteral("Thumbnail copy"));
    c.thumbnail = Named<QCheckBox>("thumbnail", QStringLiteral("Create thumbnail cpies of converted images"));
    c.thumbnailSize = Named<QComboBox>("thumbnailSize");
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(c.thumbnail);
    layout->addStretch();
    layout->addWidget(new QLabel(QStringLiteral("Image Size %")));
    layout->addWidget(c.thumbnailSize);
    return frame;
}

} // namespace

QWidget* BuildGeneralSettingsTab(SettingsControls& c)
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("GeneralSettings"));
    auto* middle = new QHBoxLayout;
    middle->addWidget(FormatFrame(c), 1);
    middle->addWidget(BrowserFrame(c), 1);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(SaveFrame(c));
    layout->addLayout(middle);
    layout->addWidget(ThumbnailFrame(c));
    c.taggedPdf
        = Named<QCheckBox>("taggedPdf", QStringLiteral("Tag PDF files for screen readers (about twice as large)"));
    layout->addWidget(c.taggedPdf);
    c.writeReport = Named<QCheckBox>(
        "writeReport", QStringLiteral("Write a report of each batch (report.html in the output folder)"));
    layout->addWidget(c.writeReport);
    layout->addStretch();
    return tab;
}

} // namespace qm
