#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "GuiFixture.h"
#include "desktop/settings/ColourSwatchWidget.h"
#include "desktop/settings/SettingsDialog.h"
#include "settings/IniStore.h"
#include "settings/SettingKeys.h"

namespace qm::test {
namespace {

class SettingsTest : public WindowTest
{
protected:
    SettingsDialog* open()
    {
        if (!m_window)
            makeWindow();
        m_window->show();
        m_window->showSettings();
        auto* dialog = find<SettingsDialog>(QStringLiteral("settingsDialog"));
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    template<typename T> T* control(SettingsDialog* dialog, const char* name)
    {
        T* found = dialog->findChild<T*>(QLatin1String(ObjectName(kSettingsLegacyObjectNames, name)));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(SettingsDialog* dialog, const char* button)
    {
        QTest::mouseClick(control<QPushButton>(dialog, button), Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString setting(const char* section, const char* key) const
    {
        return ReadSetting(home.settingsPath(), QLatin1String(section), QLatin1String(key));
    }
    static QStringList items(QComboBox* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out.append(list->itemText(i));
        return out;
    }
};

TEST_F(SettingsTest, WithoutSettingsFileTheDialogShowsNothingChosenAndOkAsksForAFileName)
{
    SettingsDialog* dialog = open();
    const SettingsControls& c = dialog->controls();
    EXPECT_EQ(c.outputType->currentIndex(), -1);
    EXPECT_EQ(c.outputFormat->count(), 0);
    EXPECT_TRUE(c.outputFolder->text().isEmpty());
    EXPECT_TRUE(c.customName->text().isEmpty());
    EXPECT_TRUE(c.nameAfterSite->isChecked());
    EXPECT_TRUE(c.overwriteExisting->isChecked());
    for (QCheckBox* box :
        { c.addDateTime, c.enableScripts, c.enableJava, c.enableActiveX, c.thumbnail, c.textMarkOn, c.imageMarkOn })
        EXPECT_FALSE(box->isChecked()) << qPrintable(box->objectName());
    EXPECT_EQ(c.textMarkPlace->currentIndex(), 0);
    EXPECT_EQ(c.imageMarkPlace->currentIndex(), 0);
    EXPECT_TRUE(c.timeout->text().isEmpty()); // only a stored 0 shows as 60
    EXPECT_EQ(c.thumbnailSize->count(), 100);
    EXPECT_EQ(c.thumbnailSize->itemText(99), QStringLiteral("100"));

    c.customName->setText("   ");
    click(dialog, "ok");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].text, QStringLiteral("Please enter audio file name."));
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Error);
    EXPECT_FALSE(QFile::exists(home.settingsPath()));
    EXPECT_TRUE(dialog->isVisible());
}

struct TypeCase
{
    const char* name;
    const char* type;
    const char* format;
    const char* shownType;
    QStringList formats;
    const char* shownFormat;
};

TEST_F(SettingsTest, OutputTypeChoosesTheFormatList)
{
    const TypeCase cases[] = {
        { "PDF", "PDF", "PDF", "PDF", { "PDF" }, "PDF" },
        { "zero means Image and BMP", "0", "0", "Image", { "BMP", "JPG", "GIF", "PNG", "TIFF", "WEBP" }, "BMP" },
        { "Image with JPG", "Image", "JPG", "Image", { "BMP", "JPG", "GIF", "PNG", "TIFF", "WEBP" }, "JPG" },
        { "TEXT", "TEXT", "TXT", "TEXT", { "TXT" }, "TXT" },
        { "lower-case format matches nothing", "Image", "jpg", "Image", { "BMP", "JPG", "GIF", "PNG", "TIFF", "WEBP" },
            "BMP" },
    };
    for (const TypeCase& t : cases) {
        SCOPED_TRACE(t.name);
        home.set("set", "outputtype", t.type);
        home.set("set", "outputformat", t.format);
        SettingsDialog* dialog = open();
        EXPECT_EQ(dialog->controls().outputType->currentText(), QLatin1String(t.shownType));
        EXPECT_EQ(items(dialog->controls().outputFormat), t.formats);
        EXPECT_EQ(dialog->controls().outputFormat->currentText(), QLatin1String(t.shownFormat));
        click(dialog, "cancel");
    }
    // Choosing TEXT by hand leaves exactly TXT, selected.
    SettingsDialog* dialog = open();
    QComboBox* type = dialog->controls().outputType;
    type->setCurrentIndex(type->findText("TEXT"));
    emit type->activated(type->currentIndex());
    EXPECT_EQ(items(dialog->controls().outputFormat), QStringList({ "TXT" }));
    EXPECT_EQ(dialog->controls().outputFormat->currentIndex(), 0);
}

TEST_F(SettingsTest, ValuesOutOfRangeLeaveTheControlAndOkStoresMinusOneForNoPlacement)
{
    home.set("set", "quality", "150");
    home.set("set", "filename", "shot");
    home.set("watermark", "twz", "7");
    home.set("watermark", "Ttransparency", "0");
    home.set("watermark", "IDeviation", "255");
    SettingsDialog* dialog = open();
    EXPECT_EQ(dialog->controls().imageQuality->value(), 90);
    EXPECT_EQ(dialog->controls().textMarkPlace->currentIndex(), -1);
    EXPECT_EQ(dialog->controls().textMarkTransparency->value(), 50);
    EXPECT_EQ(dialog->controls().imageMarkDeviation->value(), 255);
    click(dialog, "ok");
    EXPECT_EQ(setting("watermark", "Twz"), QStringLiteral("-1"));
    EXPECT_EQ(setting("set", "quality"), QStringLiteral("90"));
}

TEST_F(SettingsTest, CheckBoxesEnableTheirWatermarkGroups)
{
    SettingsDialog* dialog = open();
    const SettingsControls& c = dialog->controls();
    const QList<QWidget*> text { c.chooseTextMarkColour, c.textMark, c.textMarkX, c.textMarkY, c.textMarkSize,
        c.textMarkQuality, c.textMarkFont, c.textMarkRotate, c.textMarkTransparency, c.textMarkPlace,
        c.textMarkColour };
    const QList<QWidget*> image { c.browseImageMark, c.imageMarkFile, c.imageMarkY, c.imageMarkX, c.imageMarkDeviation,
        c.imageMarkOpacity, c.imageMarkPlace, c.imageMarkTransparentColour };
    auto enabled = [](const QList<QWidget*>& group) {
        int n = 0;
        for (QWidget* w : group)
            n += w->isEnabled() ? 1 : 0;
        return n;
    };
    EXPECT_EQ(enabled(text), 0);
    EXPECT_EQ(enabled(image), 0);
    QTest::mouseClick(c.textMarkOn, Qt::LeftButton, {}, QPoint(6, c.textMarkOn->height() / 2));
    EXPECT_EQ(enabled(text), 11);
    EXPECT_EQ(enabled(image), 0);
    QTest::mouseClick(c.imageMarkOn, Qt::LeftButton, {}, QPoint(6, c.imageMarkOn->height() / 2));
    EXPECT_EQ(enabled(image), 8);
    QTest::mouseClick(c.textMarkOn, Qt::LeftButton, {}, QPoint(6, c.textMarkOn->height() / 2));
    EXPECT_EQ(enabled(text), 0);
    EXPECT_EQ(enabled(image), 8);
}

TEST_F(SettingsTest, PickedColoursAndImageAreWrittenAtOnceAndSurviveCancel)
{
    home.set("watermark", "textwatermark", "1");
    home.set("watermark", "imagewatermark", "1");
    SettingsDialog* dialog = open();
    dialogs.setNextColour(QColor(10, 20, 30));
    click(dialog, "chooseTextMarkColour");
    EXPECT_EQ(setting("watermark", "textcolor"), QString::number(10 + 20 * 256 + 30 * 65536));
    EXPECT_EQ(dialog->controls().textMarkColour->colour(), QColor(10, 20, 30));

    // The picker starts from the colour picked last; a cancelled pick changes nothing.
    dialogs.setNextColour(std::nullopt);
    QTest::mouseClick(dialog->controls().imageMarkTransparentColour, Qt::LeftButton);
    ASSERT_EQ(dialogs.colourRequests().size(), 2);
    EXPECT_EQ(dialogs.colourRequests()[1], QColor(10, 20, 30));
    EXPECT_TRUE(setting("watermark", "Itransparency").isEmpty());
    dialogs.setNextColour(QColor(255, 255, 255));
    click(dialog, "chooseTransparentColour");
    EXPECT_EQ(setting("watermark", "Itransparency"), QStringLiteral("16777215"));

    dialogs.setNextFiles({ "/pictures/logo.gif" });
    click(dialog, "browseImageMark");
    EXPECT_EQ(
        dialogs.fileRequests().last().filter, QStringLiteral("Image Files(*.jpg) and Gif Files(*.gif) (*.jpg *.gif)"));
    EXPECT_EQ(setting("watermark", "waterimage"), QStringLiteral("/pictures/logo.gif"));

    // The folder picker fills the box but writes nothing before OK.
    dialogs.setNextFolder("/exports");
    click(dialog, "browseOutputFolder");
    EXPECT_EQ(dialog->controls().outputFolder->text(), QStringLiteral("/exports"));

    click(dialog, "cancel");
    EXPECT_EQ(find<QWidget>(QStringLiteral("settingsDialog")), nullptr);
    EXPECT_EQ(setting("watermark", "textcolor"), QString::number(10 + 20 * 256 + 30 * 65536));
    EXPECT_EQ(setting("watermark", "waterimage"), QStringLiteral("/pictures/logo.gif"));
    EXPECT_TRUE(setting("set", "outputfolder").isEmpty());
    EXPECT_TRUE(setting("set", "filename").isEmpty());
}

TEST_F(SettingsTest, OkWritesEveryKeyInOrderAndRewritesTheOutputFormatColumn)
{
    app::MainWindow* window = makeWindow();
    for (const char* address : { "http://a.test/", "http://b.test/", "/w/c.htm" })
        window->list().appendUrl(QLatin1String(address), QString());
    SettingsDialog* dialog = open();
    const SettingsControls& c = dialog->controls();
    c.outputType->setCurrentIndex(c.outputType->findText("Image"));
    emit c.outputType->activated(c.outputType->currentIndex());
    c.outputFormat->setCurrentIndex(c.outputFormat->findText("JPG"));
    c.customName->setText("  shot  ");
    c.outputFolder->setText(home.file("out"));
    c.timeout->setText("45");
    c.jobs->setValue(3);
    c.nameCustom->setChecked(true);
    c.numberExisting->setChecked(true);
    click(dialog, "ok");

    EXPECT_EQ(find<QWidget>(QStringLiteral("settingsDialog")), nullptr);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(window->list().format(row), QStringLiteral("JPG"));
    EXPECT_EQ(setting("set", "filename"), QStringLiteral("shot"));
    EXPECT_EQ(setting("set", "timeout"), QStringLiteral("45"));
    EXPECT_EQ(setting("set", "jobs"), QStringLiteral("3"));
    EXPECT_EQ(setting("set", "fileoption"), QStringLiteral("0"));
    EXPECT_EQ(setting("set", "existedfile"), QStringLiteral("0"));
    EXPECT_EQ(setting("set", "datetime"), QStringLiteral("0"));

    // Written into a fresh file, the keys stand in the order they were written.
    QFile file(home.settingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.startsWith('['))
            keys.append(text);
        else if (text.contains('='))
            keys.append(text.section('=', 0, 0).trimmed());
    }
    EXPECT_EQ(keys,
        QStringList({ "[set]", "outputtype", "outputformat", "quality", "outputfolder", "filename", "datetime",
            "fileoption", "existedfile", "timeout", "delay", "jobs", "Scripts", "JAVA", "ActiveX", "Thumbnail",
            "imagesize", "taggedpdf", "report", "[watermark]", "textwatermark", "watertext", "Twz", "Tx", "Ty", "Tsize",
            "TQuality", "Tfont", "TRotate", "Ttransparency", "imagewatermark", "waterimage", "Iwz", "Ix", "Iy",
            "IDeviation", "IOpacity", "[page]", "scale", "width", "height", "device", "waitfor", "delay", "selector",
            "hide", "remove", "nooverlays", "style", "script", "useragent", "headers", "cookies", "colorscheme",
            "reducedmotion", "block" }));
}

// Every key of the "page" section as settings.dat holds it; the run-only "auth" is never written.
QMap<QString, QString> PageSection(const QString& settingsPath)
{
    QMap<QString, QString> values;
    for (const SettingKey* key : AllSettingKeys()) {
        if (key->sectionName() == QLatin1String("page"))
            values.insert(key->keyName(), ReadSetting(settingsPath, key->sectionName(), key->writtenName()));
    }
    return values;
}

TEST_F(SettingsTest, PageTabRoundTripsEveryKeyAndAFileWithoutTheSectionStaysOff)
{
    // A file from before the Page tab: the tab shows nothing set, and OK writes every key empty or off.
    home.set("set", "filename", "shot");
    SettingsDialog* dialog = open();
    EXPECT_EQ(control<QComboBox>(dialog, "pageDevice")->currentText(), QStringLiteral("None"));
    EXPECT_EQ(control<QComboBox>(dialog, "pageColorScheme")->currentText(), QStringLiteral("Page default"));
    click(dialog, "ok");
    ASSERT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages()[0].text.toStdString();
    QMap<QString, QString> off = PageSection(home.settingsPath());
    EXPECT_EQ(off.take("nooverlays"), "0");
    EXPECT_EQ(off.take("reducedmotion"), "0");
    EXPECT_EQ(off.take("auth"), "");
    for (auto it = off.cbegin(); it != off.cend(); ++it)
        EXPECT_EQ(it.value(), QString()) << it.key().toStdString();

    // Every control set as a user would, the cookies file through its Browse button.
    const QString cookies = home.file("cookies.txt");
    QFile cookiesFile(cookies);
    ASSERT_TRUE(cookiesFile.open(QIODevice::WriteOnly));
    cookiesFile.close();
    dialog = open();
    const QList<QPair<const char*, QString>> typed {
        { "pageScale", "2.5" },
        { "pageWidth", "390" },
        { "pageHeight", "700" },
        { "pageWaitFor", "#ready" },
        { "pageDelay", "1500" },
        { "pageSelector", "main > article" },
        { "pageHide", ".ad, .promo[data-x='a,b']" },
        { "pageRemove", "#chat" },
        { "pageStyle", "body { background: white }" },
        { "pageScript", "document.title = 'x'" },
        { "pageUserAgent", "QuillBot/1" },
        { "pageBlock", "*.woff2, */ads/*" },
    };
    for (const auto& [name, value] : typed)
        control<QLineEdit>(dialog, name)->setText(value);
    control<QPlainTextEdit>(dialog, "pageHeaders")->setPlainText("X-One: 1\n\n  X-Two: two, three  \n");
    QComboBox* device = control<QComboBox>(dialog, "pageDevice");
    device->setCurrentIndex(device->findText("ipad-mini"));
    QComboBox* scheme = control<QComboBox>(dialog, "pageColorScheme");
    scheme->setCurrentIndex(scheme->findText("Dark"));
    control<QCheckBox>(dialog, "pageNoOverlays")->setChecked(true);
    control<QCheckBox>(dialog, "pageReducedMotion")->setChecked(true);
    dialogs.setNextFiles({ cookies });
    click(dialog, "browsePageCookies");
    EXPECT_EQ(control<QLineEdit>(dialog, "pageCookies")->text(), cookies);
    EXPECT_TRUE(setting("page", "cookies").isEmpty()) << "a picked file waits for OK";
    click(dialog, "ok");
    ASSERT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages()[0].text.toStdString();

    const QMap<QString, QString> expected { { "scale", "2.5" }, { "width", "390" }, { "height", "700" },
        { "device", "ipad-mini" }, { "waitfor", "#ready" }, { "delay", "1500" }, { "selector", "main > article" },
        { "hide", ".ad, .promo[data-x='a,b']" }, { "remove", "#chat" }, { "nooverlays", "1" },
        { "style", "body { background: white }" }, { "script", "document.title = 'x'" }, { "useragent", "QuillBot/1" },
        { "headers", "X-One: 1|X-Two: two, three" }, { "cookies", cookies }, { "colorscheme", "dark" },
        { "reducedmotion", "1" }, { "block", "*.woff2, */ads/*" }, { "auth", "" } };
    EXPECT_EQ(PageSection(home.settingsPath()), expected);

    // Opened again, the tab shows what was saved, and OK saves it unchanged.
    dialog = open();
    EXPECT_EQ(control<QComboBox>(dialog, "pageDevice")->currentText(), QStringLiteral("ipad-mini"));
    EXPECT_EQ(control<QComboBox>(dialog, "pageColorScheme")->currentText(), QStringLiteral("Dark"));
    EXPECT_EQ(control<QPlainTextEdit>(dialog, "pageHeaders")->toPlainText(), "X-One: 1\nX-Two: two, three");
    EXPECT_EQ(control<QLineEdit>(dialog, "pageHide")->text(), ".ad, .promo[data-x='a,b']");
    click(dialog, "ok");
    EXPECT_EQ(PageSection(home.settingsPath()), expected);
}

struct RefusedPageValue
{
    const char* name;
    const char* key; // set in the file before the dialog opens, or typed into `control`
    const char* value;
    const char* control; // empty: the file holds the value
    const char* named; // the message names this
};

TEST_F(SettingsTest, PageValuesAPageCouldNotUseAreRefusedByNameAndNothingIsWritten)
{
    const RefusedPageValue cases[] = {
        { "scale above 4", "scale", "7", "pageScale", "the scale takes 1 to 4, not \"7\"" },
        { "width below 100", "width", "50", "pageWidth", "50" },
        { "unknown device in the file", "device", "nokia-3310", "", "unknown device \"nokia-3310\"" },
        { "header without a colon", "headers", "X-Token", "", "bad header \"X-Token\"" },
        { "delay that is no number", "delay", "soon", "pageDelay", "not \"soon\"" },
        { "missing cookies file", "cookies", "/nowhere/cookies.txt", "pageCookies", "/nowhere/cookies.txt" },
        { "unknown colour scheme in the file", "colorscheme", "sepia", "", "not \"sepia\"" },
    };
    for (const RefusedPageValue& c : cases) {
        SCOPED_TRACE(c.name);
        home.set("set", "filename", "shot");
        home.set("page", c.key, *c.control ? "" : c.value);
        QFile file(home.settingsPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const qsizetype told = dialogs.messages().size();
        SettingsDialog* dialog = open();
        if (*c.control)
            control<QLineEdit>(dialog, c.control)->setText(c.value);
        click(dialog, "ok");
        ASSERT_EQ(dialogs.messages().size(), told + 1);
        const auto& message = dialogs.messages().last();
        EXPECT_EQ(message.icon, UserDialogs::Icon::Error);
        EXPECT_TRUE(message.text.startsWith("The settings were not saved: ")) << message.text.toStdString();
        EXPECT_TRUE(message.text.contains(QLatin1String(c.named))) << message.text.toStdString();
        EXPECT_TRUE(dialog->isVisible()) << "the dialog stays for a correction";
        EXPECT_EQ(control<QTabWidget>(dialog, "tabs")->currentWidget()->objectName(), "PageSettings")
            << "the Page tab shows the value to mend";
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        file.close();
        click(dialog, "cancel");
        home.set("page", c.key, "");
    }
}

TEST_F(SettingsTest, RefusedSaveKeepsTheDialogOpenWithTheReasonAndTheFileAsItWas)
{
    home.set("set", "filename", "shot");
    home.set("set", "timeout", "45");
    SettingsDialog* dialog = open();
    dialog->controls().timeout->setText("3000000");
    QFile file(home.settingsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup));
    click(dialog, "ok");
    EXPECT_NE(find<QWidget>(QStringLiteral("settingsDialog")), nullptr) << "the dialog stays for another try";
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0].icon, UserDialogs::Icon::Error);
    EXPECT_EQ(dialogs.messages()[0].text,
        "The settings were not saved: cannot write " + home.settingsPath() + ": the file is read-only");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();

    // Writable again, the same OK saves everything, the time limit held to a day.
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    click(dialog, "ok");
    EXPECT_EQ(find<QWidget>(QStringLiteral("settingsDialog")), nullptr);
    EXPECT_EQ(setting("set", "timeout"), QStringLiteral("86400"));
}

TEST_F(SettingsTest, ReloadShowsTheFileAsItIsNow)
{
    home.set("set", "filename", "first");
    home.set("set", "jobs", "2");
    SettingsDialog* dialog = open();
    EXPECT_EQ(dialog->controls().customName->text(), QStringLiteral("first"));
    EXPECT_EQ(dialog->controls().jobs->value(), 2);
    dialog->controls().customName->setText("typed, not saved");
    home.set("set", "filename", "second");
    home.set("set", "outputtype", "PDF");
    home.set("set", "jobs", "40"); // outside 1..16
    click(dialog, "reload");
    EXPECT_EQ(dialog->controls().customName->text(), QStringLiteral("second"));
    EXPECT_EQ(dialog->controls().outputType->currentText(), QStringLiteral("PDF"));
    EXPECT_EQ(dialog->controls().jobs->value(), 16);
    EXPECT_TRUE(dialog->isVisible());

    home.set("set", "jobs", "auto");
    click(dialog, "reload");
    EXPECT_EQ(dialog->controls().jobs->text(), QStringLiteral("Automatic"));
    click(dialog, "ok");
    EXPECT_EQ(setting("set", "jobs"), QStringLiteral("auto")) << "automatic stays automatic";
}

} // namespace
} // namespace qm::test
