// Writes the man page (its template with the synopsis and option sections put in) and the bash
// completion from the option table: option-docs TEMPLATE MAN_PAGE COMPLETION.
#include <QFile>
#include <cstdio>

#include "run/OptionDocs.h"

namespace {

bool write(const char* path, const QString& text)
{
    QFile file(QString::fromLocal8Bit(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0 && file.flush())
        return true;
    std::fprintf(stderr, "option-docs: cannot write %s: %s\n", path, file.errorString().toLocal8Bit().constData());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: option-docs TEMPLATE MAN_PAGE COMPLETION\n");
        return 2;
    }
    QFile templateFile(QString::fromLocal8Bit(argv[1]));
    if (!templateFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "option-docs: cannot read %s\n", argv[1]);
        return 1;
    }
    QString page = QString::fromUtf8(templateFile.readAll());
    const QString synopsis = QStringLiteral(".\\\" @COMMANDS@\n");
    const QString options = QStringLiteral(".\\\" @OPTIONS@\n");
    if (!page.contains(synopsis) || !page.contains(options)) {
        std::fprintf(stderr, "option-docs: %s lacks the @COMMANDS@ or @OPTIONS@ line\n", argv[1]);
        return 1;
    }
    page.replace(synopsis, qm::run::ManSynopsis()).replace(options, qm::run::ManOptions());
    return write(argv[2], page) && write(argv[3], qm::run::BashCompletion()) ? 0 : 1;
}
