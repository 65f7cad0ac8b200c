#include "app/aboutbox.h"

#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QMessageBox>

namespace {

QString pick(uint32_t language, const char *simplified, const char *traditional,
             const char *english)
{
    const char *texts[] = {simplified, traditional, english};
    return language < 3 ? QCoreApplication::translate("AboutBox", texts[language]) : QString();
}

QString buildDate()
{
    return buildDateText(QStringLiteral(__DATE__));
}

QString buildTime()
{
    return QStringLiteral(__TIME__);
}

} // namespace

QString programVersion()
{
    return QStringLiteral("V1.17");
}

QString buildDateText(const QString &compilerDate)
{
    QString text = compilerDate;
    text.replace(QLatin1String("  "), QLatin1String(" 0"));
    const QDate date = QLocale(QLocale::English).toDate(text, QStringLiteral("MMM dd yyyy"));
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString aboutTitle(uint32_t language)
{
    return pick(language, "关于Larkspur", "關於Larkspur", "About Larkspur");
}

QString aboutBody(uint32_t language, bool detail, const QString &company)
{
    if (language > 2)
        return QString();
    QString body = QStringLiteral("Larkspur ") + programVersion() + QLatin1Char('\n') +
                   pick(language, "双通道 CAN FD 总线分析软件", "雙通道 CAN FD 總線分析軟件",
                        "Two-channel CAN FD bus analyser");
    if (!detail)
        return body;
    body += QLatin1Char('\n') + pick(language, "编译时间：", "編譯時間：", "Build: ") +
            buildDate() + QLatin1Char(' ') + buildTime() + QLatin1Char(',') + company;
    return body;
}

void showAboutBox(QWidget *parent)
{
    const uint32_t language = languageIndex();
    if (language > 2)
        return;
    const bool detail = showBuildInfo();
    const QString company = detail ? companyName(language) : QString();
    QMessageBox::about(parent, aboutTitle(language), aboutBody(language, detail, company));
}
