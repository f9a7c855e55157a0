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

#include "settings/SettingKeys.h"
#include "settings/SettingsControlsUi.h"
#include "settings/SettingsWidgetsUi.h"
#include "settings/UpDownWidget.h"

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
    QGroupBox* frame = Frame("Frame3", QStringLiteral("Save Output Files to"));
    c.Text2 = Named<QLineEdit>("Text2");
    c.Command4 = Named<QPushButton>("Command4", QStringLiteral("Browse..."));

    QGroupBox* existed = Frame("Frame4", QStringLiteral("If same as an existed file"));
    c.Option1 = Named<QRadioButton>("Option1", QStringLiteral("Add number after filename"));
    c.Option2 = Named<QRadioButton>("Option2", QStringLiteral("Overwrite the existed file"));
    auto* existedLayout = new QVBoxLayout(existed);
    existedLayout->addWidget(c.Option1);
    existedLayout->addWidget(c.Option2);
    existedLayout->addStretch();

    QGroupBox* naming = Frame("Frame5", QStringLiteral("Filename prefill system to use"));
    c.Text1 = Named<QLineEdit>("Text1");
    c.Check1 = Named<QCheckBox>("Check1", QStringLiteral("Date + Time"));
    c.Option3 = Named<QRadioButton>("Option3", QStringLiteral("Custom File Name + Date (ddmmyyyy) + Time (hhmmss)"));
    c.Option4 = Named<QRadioButton>("Option4", QStringLiteral("Name the output file based on the web site name"));
    auto* example = Named<QLabel>("Label13", QStringLiteral("For Example: www_wesitename_com.jpg"));
    example->setIndent(22);
    example->setEnabled(false);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("File Name")));
    nameRow->addWidget(c.Text1, 1);
    nameRow->addWidget(new QLabel(QStringLiteral("+")));
    nameRow->addWidget(c.Check1);
    auto* namingLayout = new QVBoxLayout(naming);
    namingLayout->addLayout(nameRow);
    namingLayout->addWidget(c.Option3);
    namingLayout->addWidget(c.Option4);
    namingLayout->addWidget(example);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Output Folder")));
    folderRow->addWidget(c.Text2, 1);
    folderRow->addWidget(c.Command4);
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
    QGroupBox* frame = Frame("Frame6", QStringLiteral("Output Format"));
    c.Combo2 = Named<QComboBox>("Combo2");
    c.Combo2->addItems({ QStringLiteral("Image"), QStringLiteral("PDF"), QStringLiteral("TEXT") });
    c.Combo2->setCurrentIndex(-1);
    c.cboWriteSpeed = Named<QComboBox>("cboWriteSpeed");
    c.Slider4 = Slider("Slider4", 1, 100, 20, 10, 90);
    auto* layout = new QGridLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("Output Type")), 0, 0);
    layout->addWidget(c.Combo2, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Output Format")), 1, 0);
    layout->addWidget(c.cboWriteSpeed, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Image Quality %")), 2, 0);
    layout->addWidget(WithValue(c.Slider4), 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
    return frame;
}

QGroupBox* BrowserFrame(SettingsControls& c)
{
    QGroupBox* frame = Frame("Frame7", QStringLiteral("Browser"));
    c.Text3 = Named<QLineEdit>("Text3");
    c.Text3->setToolTip(QStringLiteral("Time limit for each page; a page that takes longer is marked Failed"));
    c.Text4 = Named<QLineEdit>("Text4");
    c.Jobs = Named<QSpinBox>("Jobs");
    c.Jobs->setRange(1, MostJobs);
    c.Jobs->setToolTip(QStringLiteral("How many pages are converted at the same time"));
    c.Check2 = Named<QCheckBox>("Check2", QStringLiteral("Enable Scripts"));
    c.Check3 = Named<QCheckBox>("Check3", QStringLiteral("Enable JAVA"));
    c.Check4 = Named<QCheckBox>("Check4", QStringLiteral("Enable ActiveX"));
    auto* checks = new QHBoxLayout;
    checks->addWidget(c.Check2);
    checks->addWidget(c.Check3);
    checks->addWidget(c.Check4);
    checks->addStretch();
    auto* layout = new QGridLayout(frame);
    layout->addWidget(new QLabel(QStringLiteral("Timeout")), 0, 0);
    layout->addWidget(SecondsBox(c.Text3, "UpDown1", 1), 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Delay")), 1, 0);
    layout->addWidget(SecondsBox(c.Text4, "UpDown2", 0), 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Pages at once")), 2, 0);
    layout->addWidget(c.Jobs, 2, 1, Qt::AlignLeft);
    layout->addLayout(checks, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    return frame;
}

QGroupBox* ThumbnailFrame(SettingsControls& c)
{
    QGroupBox* frame = Frame("Frame8", QStringLiteral("Thumbnail copy"));
    c.Check5 = Named<QCheckBox>("Check5", QStringLiteral("Create thumbnail cpies of converted images"));
    c.Combo3 = Named<QComboBox>("Combo3");
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(c.Check5);
    layout->addStretch();
    layout->addWidget(new QLabel(QStringLiteral("Image Size %")));
    layout->addWidget(c.Combo3);
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
    layout->addStretch();
    return tab;
}

} // namespace qm
