#pragma once

// The benchmark's output: one "name: value" line per figure, and the comparison of
// figures with their targets for --check.

#include <QMap>
#include <QString>
#include <QStringList>

class BenchReport
{
public:
    void figure(const QString &name, double value, int decimals = 2);
    void figure(const QString &name, qint64 value);
    void text(const QString &name, const QString &value);

    // Records whether a figure met its target; misses are listed by failures().
    void target(const QString &name, bool met, const QString &expectation);
    QStringList failures() const { return missed; }
    // The last value printed under name (NaN when there is none).
    double value(const QString &name) const;
    int targetsChecked() const { return checked; }

private:
    void print(const QString &name, const QString &value);

    QMap<QString, double> values;
    QStringList missed;
    int checked = 0;
};
