#pragma once

// The send list as a JSON file: an object {"rows": [ ... ]} with one object per row.
// Reading is all or nothing: a file that does not parse, or any row that is wrong, loads
// no rows and the error names the row and its field.

#include "transmit/listsendrow.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ListSendFile {

struct ReadResult
{
    QVector<ListSendRow> rows;
    QString error; // empty when read
};

QByteArray toJson(const QVector<ListSendRow> &rows);
ReadResult fromJson(const QByteArray &json);

// Whole files; writing goes through QSaveFile so a failed write keeps the old file.
bool write(const QString &path, const QVector<ListSendRow> &rows, QString *error);
ReadResult read(const QString &path);

} // namespace ListSendFile
