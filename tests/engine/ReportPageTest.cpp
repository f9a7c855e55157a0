// The batch report as a user opens it: from the file system, in the browser, with no network.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

#include "capture/PageRunner.h"
#include "platform/cdp/Session.h"
#include "report/BatchReport.h"
#include "tests/engine/EngineFixture.h"

namespace qm::test {
namespace {

QByteArray SamplePage(const QByteArray& title, const QByteArray& colour, int blocks)
{
    QByteArray html = "<!doctype html><title>" + title
        + "</title><body style='margin:0;font:16px sans-serif'><header style='background:" + colour
        + ";color:#fff;padding:24px 40px;font-size:32px'>" + title + "</header><main style='padding:24px 40px'>";
    for (int i = 0; i < blocks; ++i)
        html += "<h2>Section " + QByteArray::number(i + 1)
            + "</h2><p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor.</p>"
              "<div style='height:120px;width:60%;background:"
            + colour + "40;border-radius:8px'></div>";
    return html + "</main>";
}

// Every thumbnail loads and the page says nothing on the console; the picture is the README's.
TEST_F(EngineTest, ReportOpensFromTheFileSystemWithEveryThumbnailAndNoConsoleError)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Sample
    {
        const char* path;
        QByteArray title;
        QByteArray colour;
    };
    const QList<Sample> samples { { "/news", "Morning News", "#1d4ed8" }, { "/shop", "Garden Shop", "#15803d" },
        { "/docs", "Reference Manual", "#7c3aed" }, { "/blog", "Travel Notes", "#c2410c" } };
    QStringList addresses;
    QList<PageOutcome> outcomes;
    for (const Sample& sample : samples) {
        LoadPage(sample.path, SamplePage(sample.title, sample.colour, 6));
        const auto snapshot = Capture(*tab);
        ASSERT_TRUE(snapshot) << snapshot.error().message.toStdString();
        const QString output = folder.filePath(QString::fromLatin1(sample.path).mid(1) + ".png");
        ASSERT_TRUE(Pixels(*snapshot).save(output));
        PageOutcome outcome { output, 840ms, 200, "HTTP 200 OK" };
        outcome.finalAddress = server.url(sample.path);
        outcome.title = QString::fromUtf8(sample.title);
        addresses.append(server.url(sample.path));
        outcomes.append(outcome);
    }
    QFile pdf(folder.filePath("manual.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.7\n");
    pdf.close();
    addresses.append(server.url("/manual"));
    outcomes.append(PageOutcome { pdf.fileName(), 310ms, 200, "HTTP 200 OK" });
    addresses.append(server.url("/missing"));
    outcomes.append(
        PageOutcome { qm::fail(Error::Code::Navigation, "HTTP 404 Not Found"), 95ms, 404, "HTTP 404 Not Found" });
    addresses.append("http://unknown.invalid/");
    outcomes.append(PageOutcome { qm::fail(Error::Code::Navigation, "the host name could not be found"), 40ms });

    auto report = BatchReport::create(folder.path(), addresses);
    ASSERT_TRUE(report) << report.error().message.toStdString();
    for (int i = 0; i < outcomes.size(); ++i)
        ASSERT_TRUE((*report)->record(i, outcomes[i], i == 1 ? 3 : addresses[i].contains(".invalid") ? 3 : 1));
    ASSERT_TRUE((*report)->finish());

    QStringList errors;
    QObject::connect(&tab->session(), &cdp::Session::event, [&](const QString& method, const QJsonObject& params) {
        if (method == "Log.entryAdded" && params["entry"]["level"].toString() == "error")
            errors.append(params["entry"]["text"].toString() + " " + params["entry"]["url"].toString());
        else if (method == "Runtime.consoleAPICalled" && params["type"].toString() == "error")
            errors.append("console.error");
        else if (method == "Runtime.exceptionThrown")
            errors.append(params["exceptionDetails"]["text"].toString());
    });
    tab->session().send("Log.enable");
    tab->session().send("Runtime.enable");
    const LoadOutcome opened = Load(*tab, QUrl::fromLocalFile((*report)->htmlPath()).toString());
    ASSERT_TRUE(opened.complete) << opened.error.message.toStdString();

    const auto images = Evaluate(*tab,
        "JSON.stringify({count: document.images.length, broken: [...document.images]"
        ".filter(i => !i.complete || i.naturalWidth === 0).map(i => i.getAttribute('src'))})");
    ASSERT_TRUE(images);
    const QJsonObject seen = QJsonDocument::fromJson(images->toString().toUtf8()).object();
    EXPECT_EQ(seen["count"].toInt(), samples.size());
    EXPECT_EQ(seen["broken"].toArray(), QJsonArray());
    EXPECT_EQ(errors, QStringList());

    const auto picture = Capture(*tab);
    ASSERT_TRUE(picture);
    // QUILLMARK_SCREENSHOTS=docs/screenshots keeps the picture for the README.
    const QString keep = qEnvironmentVariable("QUILLMARK_SCREENSHOTS", folder.path());
    EXPECT_TRUE(Pixels(*picture).save(QDir(keep).filePath("report.png")));
}

} // namespace
} // namespace qm::test
