#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/settings/SettingsControlsUi.h"
#include "desktop/settings/SettingsWidgetsUi.h"

namespace qm {

namespace {

QLineEdit* Edit(const char* name, const QString& placeholder, const QString& tip = {})
{
    auto* edit = Named<QLineEdit>(name);
    edit->setPlaceholderText(placeholder);
    edit->setToolTip(tip);
    return edit;
}

// A file name with its Browse button beside it.
QWidget* WithBrowse(QLineEdit* edit, QPushButton* browse)
{
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    return box;
}

// Two small numbers side by side: "1280 x 800".
QWidget* SizeBox(QLineEdit* width, QLineEdit* height)
{
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QLineEdit* edit : { width, height })
        edit->setMaximumWidth(70);
    layout->addWidget(width);
    layout->addWidget(new QLabel(QStringLiteral("x")));
    layout->addWidget(height);
    layout->addWidget(new QLabel(QStringLiteral("CSS pixels")));
    layout->addStretch();
    return box;
}

QGroupBox* ShownFrame(SettingsControls& c, const QStringList& devices)
{
    auto* frame = Named<QGroupBox>("pageShownBox", QStringLiteral("How the page is shown"));
    c.pageDevice = Named<QComboBox>("pageDevice");
    c.pageDevice->addItem(QStringLiteral("None"), QString());
    for (const QString& name : devices)
        c.pageDevice->addItem(name, name);
    c.pageDevice->setToolTip(QStringLiteral("Show the page as this phone or tablet does: its size, scale and "
                                            "user agent (the boxes below change what they set)"));
    c.pageWidth = Edit("pageWidth", QStringLiteral("1280"));
    c.pageHeight = Edit("pageHeight", QStringLiteral("800"));
    c.pageScale = Edit("pageScale", QStringLiteral("1"),
        QStringLiteral("Device pixels per CSS pixel, 1 to 4: 2 makes a sharper picture twice as wide and high"));
    c.pageScale->setMaximumWidth(70);
    c.pageUserAgent = Edit("pageUserAgent", QStringLiteral("the browser's own"));
    c.pageHeaders = Named<QPlainTextEdit>("pageHeaders");
    c.pageHeaders->setPlaceholderText(QStringLiteral("Name: value (one a line)"));
    c.pageHeaders->setToolTip(QStringLiteral("Extra request headers sent with every request of the page"));
    c.pageHeaders->setTabChangesFocus(true);
    c.pageHeaders->setMaximumHeight(c.pageHeaders->fontMetrics().lineSpacing() * 3 + 12);
    c.pageCookies = Edit("pageCookies", QStringLiteral("a cookies.txt file"),
        QStringLiteral("Cookies sent to the page, from a Netscape cookies.txt file (as curl and wget read)"));
    c.browsePageCookies = Named<QPushButton>("browsePageCookies", QStringLiteral("Browse..."));
    c.pageColorScheme = Named<QComboBox>("pageColorScheme");
    c.pageColorScheme->addItem(QStringLiteral("Page default"), QString());
    c.pageColorScheme->addItem(QStringLiteral("Light"), QStringLiteral("light"));
    c.pageColorScheme->addItem(QStringLiteral("Dark"), QStringLiteral("dark"));
    c.pageReducedMotion = Named<QCheckBox>("pageReducedMotion", QStringLiteral("Reduced motion"));
    c.pageBlock = Edit("pageBlock", QStringLiteral("*.doubleclick.net/*, *.woff2"),
        QStringLiteral("Requests whose address matches one of these patterns (comma separated, * for any "
                       "text) are not made"));

    auto* layout = new QFormLayout(frame);
    layout->addRow(QStringLiteral("Device"), c.pageDevice);
    layout->addRow(QStringLiteral("Window size"), SizeBox(c.pageWidth, c.pageHeight));
    layout->addRow(QStringLiteral("Scale"), c.pageScale);
    layout->addRow(QStringLiteral("User agent"), c.pageUserAgent);
    layout->addRow(QStringLiteral("Headers"), c.pageHeaders);
    layout->addRow(QStringLiteral("Cookies file"), WithBrowse(c.pageCookies, c.browsePageCookies));
    auto* scheme = new QHBoxLayout;
    scheme->addWidget(c.pageColorScheme);
    scheme->addWidget(c.pageReducedMotion);
    scheme->addStretch();
    layout->addRow(QStringLiteral("Colour scheme"), scheme);
    layout->addRow(QStringLiteral("Block"), c.pageBlock);
    return frame;
}

QGroupBox* KeptFrame(SettingsControls& c)
{
    auto* frame = Named<QGroupBox>("pageKeptBox", QStringLiteral("What is kept"));
    c.pageWaitFor = Edit("pageWaitFor", QStringLiteral("CSS selector"),
        QStringLiteral("Wait, within the time limit, until an element matching this is visible"));
    c.pageDelay
        = Edit("pageDelay", QStringLiteral("0"), QStringLiteral("Wait this much longer once the page has settled"));
    c.pageDelay->setMaximumWidth(70);
    c.pageSelector = Edit("pageSelector", QStringLiteral("the whole page"),
        QStringLiteral("Capture only the first element matching this CSS selector, its whole box"));
    c.pageHide = Edit("pageHide", QStringLiteral("CSS selectors, comma separated"),
        QStringLiteral("Matching elements are made invisible; the page's layout stays"));
    c.pageRemove = Edit("pageRemove", QStringLiteral("CSS selectors, comma separated"),
        QStringLiteral("Matching elements are taken out of the page"));
    c.pageNoOverlays = Named<QCheckBox>("pageNoOverlays", QStringLiteral("Hide cookie and newsletter overlays"));
    c.pageNoOverlays->setToolTip(
        QStringLiteral("Hides the common cookie-consent and newsletter overlays and lets the page scroll again"));
    c.pageStyle = Edit(
        "pageStyle", QStringLiteral("a .css file, or CSS"), QStringLiteral("Added to the page before the capture"));
    c.browsePageStyle = Named<QPushButton>("browsePageStyle", QStringLiteral("Browse..."));
    c.pageScript = Edit("pageScript", QStringLiteral("a .js file, or JavaScript"),
        QStringLiteral("Run in the page before the capture"));
    c.browsePageScript = Named<QPushButton>("browsePageScript", QStringLiteral("Browse..."));

    auto* delay = new QHBoxLayout;
    delay->addWidget(c.pageDelay);
    delay->addWidget(new QLabel(QStringLiteral("Milliseconds")));
    delay->addStretch();
    auto* layout = new QFormLayout(frame);
    layout->addRow(QStringLiteral("Wait for"), c.pageWaitFor);
    layout->addRow(QStringLiteral("Extra delay"), delay);
    layout->addRow(QStringLiteral("Only the element"), c.pageSelector);
    layout->addRow(QStringLiteral("Hide"), c.pageHide);
    layout->addRow(QStringLiteral("Remove"), c.pageRemove);
    layout->addRow(QString(), c.pageNoOverlays);
    layout->addRow(QStringLiteral("Style"), WithBrowse(c.pageStyle, c.browsePageStyle));
    layout->addRow(QStringLiteral("Script"), WithBrowse(c.pageScript, c.browsePageScript));
    return frame;
}

} // namespace

QWidget* BuildPageTab(SettingsControls& c, const QStringList& devices)
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("PageSettings"));
    auto* frames = new QHBoxLayout;
    frames->addWidget(ShownFrame(c, devices), 1);
    frames->addWidget(KeptFrame(c), 1);
    auto* note = Named<QLabel>("pageNote",
        QStringLiteral("Empty boxes leave the page as a 1280 x 800 desktop browser shows it. "
                       "The time limit and pages at once are on the General Settings tab."));
    note->setWordWrap(true);
    note->setEnabled(false);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(frames);
    layout->addWidget(note);
    layout->addStretch();
    return tab;
}

} // namespace qm
