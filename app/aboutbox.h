#pragma once

// The about box: title and body per interface language, with the build date, build time
// and company name when "/language/config.ini" asks for them (LAST2/Sel).

#include <QString>

#include <cstdint>

class QWidget;

// "V1.17"
QString programVersion();

// A compiler date text "MMM dd yyyy" (a one-digit day padded by a space) as "yyyy-MM-dd".
QString buildDateText(const QString &compilerDate);

// The about box title for a language; empty for an index beyond 2.
QString aboutTitle(uint32_t language);

// The short body, or with detail the long body that adds build date, build time and,
// last, "," followed by company. Empty for an index beyond 2.
QString aboutBody(uint32_t language, bool detail, const QString &company);

// Shows the about box for languageIndex(); nothing for an index beyond 2.
void showAboutBox(QWidget *parent);
