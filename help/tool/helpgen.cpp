// helpgen: renders one HTML help source into a PDF document.
//   helpgen <source.html> <target.pdf>
// Run at build time (offscreen platform); uses a CJK-capable font when one is installed.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

namespace {

QFont documentFont()
{
    const QStringList preferred = {QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("Noto Sans CJK TC"),
                                   QStringLiteral("Noto Serif CJK SC")};
    const QStringList families = QFontDatabase().families();
    for (const QString &family : preferred) {
        if (families.contains(family))
            return QFont(family, 11);
    }
    return QFont(QString(), 11);
}

bool render(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QTextDocument document;
    document.setDefaultFont(documentFont());
    document.setHtml(QString::fromUtf8(in.readAll()));
    QDir().mkpath(QFileInfo(target).absolutePath());
    QPdfWriter writer(target);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
    writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    writer.setCreator(QStringLiteral("Larkspur helpgen"));
    document.print(&writer);
    return QFileInfo(target).size() > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: helpgen <source.html> <target.pdf>\n");
        return 2;
    }
    if (!render(args.at(1), args.at(2))) {
        std::fprintf(stderr, "helpgen: cannot render %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
