#include "bench/benchreport.h"

#include <cmath>
#include <cstdio>

void BenchReport::figure(const QString &name, double value, int decimals)
{
    values.insert(name, value);
    print(name, QString::number(value, 'f', decimals));
}

void BenchReport::figure(const QString &name, qint64 value)
{
    values.insert(name, double(value));
    print(name, QString::number(value));
}

void BenchReport::text(const QString &name, const QString &value)
{
    print(name, value);
}

void BenchReport::target(const QString &name, bool met, const QString &expectation)
{
    ++checked;
    print(QStringLiteral("target_") + name, met ? QStringLiteral("met (") + expectation + ')'
                                                : QStringLiteral("MISSED (") + expectation + ')');
    if (!met)
        missed << name;
}

void BenchReport::print(const QString &name, const QString &value)
{
    std::printf("%s: %s\n", qPrintable(name), qPrintable(value));
    std::fflush(stdout);
}

double BenchReport::value(const QString &name) const
{
    return values.value(name, std::nan(""));
}
