#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include "capture/PageAddress.h"

namespace qm {
namespace {

using namespace Qt::StringLiterals;

TEST(PageAddress, EachKindOfAddressBecomesWhatTheEngineLoads)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QDir(dir.path()).canonicalPath();
    ASSERT_TRUE(QDir(root).mkpath(u"my d#ir %é"_s));
    const QString page = root + u"/my d#ir %é/p?ä ge.html"_s;
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString pageAddress = u"file://"_s + root + u"/my%20d%23ir%20%25%C3%A9/p%3F%C3%A4%20ge.html"_s;

    const struct
    {
        QString text;
        QString folder; // the command line's working folder; empty elsewhere
        QString expected; // "!" and the start of the reason for a failure
    } cases[] = {
        { "http://example.org/a b?c#d", "", "http://example.org/a b?c#d" },
        { " HTTPS://example.org ", "", "HTTPS://example.org" },
        { "data:text/html,<p>hi", "", "data:text/html,<p>hi" },
        { pageAddress, "", pageAddress },
        { page, "", pageAddress },
        { root + "/my d#ir %é/../my d#ir %é/p?ä ge.html", "", pageAddress },
        { u"my d#ir %é/p?ä ge.html"_s, root, pageAddress },
        { "www.example.com/a", "", "http://www.example.com/a" },
        { "www.example.com/a", root, "http://www.example.com/a" },
        { "localhost:8080/x", "", "http://localhost:8080/x" },
        { "javascript:alert(1)", "", "!not a page address (javascript:" },
        { "about:blank", "", "!not a page address (about:" },
        { "mailto:a@example.org", "", "!not a page address (mailto:" },
        { "two words", "", "!not a page address" },
        { "http://", "", "!not a page address (neither a web address nor a file path): http://" },
        { "https:///path", "", "!not a page address" },
        { "http://[::1:bad/", "", "!not a page address (neither a web address nor a file path)" },
        { "http://[::1]:8080/a", "", "http://[::1]:8080/a" },
        { "   ", "", "!an empty address" },
        { root + "/gone.html", "", "!file not found: " + root + "/gone.html" },
        { "file://" + root + "/gone%20x.html", "", "!file not found: " + root + "/gone x.html" },
        { "gone.html", root, "!file not found: " + root + "/gone.html" },
        { root, "", "!not a file: " + root },
    };
    for (const auto& c : cases) {
        const Result<QString> address = PageAddress(c.text, c.folder);
        const QString got = address ? *address : "!" + address.error().message;
        if (c.expected.startsWith(u'!'))
            EXPECT_TRUE(got.startsWith(c.expected)) << c.text.toStdString() << " -> " << got.toStdString();
        else
            EXPECT_EQ(got, c.expected) << c.text.toStdString();
    }
    // "~/" is the home folder.
    EXPECT_EQ(NormalisedAddress("~/a b.html").value_or("?"),
        QUrl::fromLocalFile(QDir::homePath() + "/a b.html").toString(QUrl::FullyEncoded));
}

} // namespace
} // namespace qm
