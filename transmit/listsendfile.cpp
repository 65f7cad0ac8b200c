#include "transmit/listsendfile.h"

#include "settings/settingsstore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace ListSendFile {

namespace {

QJsonObject rowObject(const ListSendRow &r)
{
    QJsonObject o;
    o["enabled"] = r.enabled;
    o["channel"] = r.channel + 1;
    o["id"] = r.id;
    o["extended"] = r.extended;
    o["remote"] = r.remote;
    o["kind"] = r.kind == ListSendRow::Can     ? "CAN"
                : r.kind == ListSendRow::CanFd ? "CANFD"
                                               : "CANFD-BRS";
    o["length"] = r.length;
    o["data"] = r.data;
    o["periodMs"] = r.periodMs;
    o["count"] = double(r.count);
    o["transmitType"] = r.transmitType;
    o["comment"] = r.comment;
    if (!r.boundMessage.isEmpty())
        o["message"] = r.boundMessage;
    if (!r.signalValues.empty()) {
        QJsonArray values;
        for (const ListSignalValue &v : r.signalValues) {
            QJsonObject s{{"name", v.name}, {"value", v.value}};
            if (v.mode == ListSignalValue::Counter)
                s["mode"] = "counter";
            else if (v.mode == ListSignalValue::Ramp)
                s["mode"] = "ramp";
            if (v.mode == ListSignalValue::Ramp)
                s["step"] = v.step;
            values.append(s);
        }
        o["signals"] = values;
    }
    return o;
}

// The "signals" of a row; false when one entry is not a valid signal value.
bool readSignalValues(const QJsonValue &field, std::vector<ListSignalValue> &out)
{
    out.clear();
    if (field.isUndefined())
        return true;
    if (!field.isArray())
        return false;
    for (const QJsonValue &item : field.toArray()) {
        const QJsonObject o = item.toObject();
        const QJsonValue name = o.value("name"), value = o.value("value"), mode = o.value("mode"),
                         step = o.value("step");
        ListSignalValue v;
        if (!item.isObject() || !name.isString() || name.toString().isEmpty() ||
            !value.isDouble() || !(mode.isUndefined() || mode.isString()) ||
            !(step.isUndefined() || step.isDouble()))
            return false;
        v.name = name.toString();
        v.value = value.toDouble();
        const QString m = mode.toString(QStringLiteral("fixed"));
        if (m == QLatin1String("counter"))
            v.mode = ListSignalValue::Counter;
        else if (m == QLatin1String("ramp"))
            v.mode = ListSignalValue::Ramp;
        else if (m != QLatin1String("fixed"))
            return false;
        v.step = step.toDouble(1);
        out.push_back(v);
    }
    return true;
}

QString fieldError(int entry, const char *field)
{
    return byLanguage("第 %1 项: \"%2\" 无效", "第 %1 項: \"%2\" 無效",
                      "entry %1: \"%2\" is invalid")
        .arg(entry)
        .arg(QString::fromLatin1(field));
}

// Reads one row; returns the error text, empty when read.
QString readRow(const QJsonValue &v, int entry, ListSendRow &r)
{
    if (!v.isObject())
        return byLanguage("第 %1 项不是对象", "第 %1 項不是物件", "entry %1 is not an object")
            .arg(entry);
    const QJsonObject o = v.toObject();
    auto boolField = [&](const char *name, bool &out) {
        const QJsonValue f = o.value(QLatin1String(name));
        if (f.isUndefined())
            return true;
        if (!f.isBool())
            return false;
        out = f.toBool();
        return true;
    };
    auto intField = [&](const char *name, int64_t lo, int64_t hi, int64_t &out) {
        const QJsonValue f = o.value(QLatin1String(name));
        if (f.isUndefined())
            return true;
        const double d = f.toDouble(-1e300);
        if (!f.isDouble() || d != double(int64_t(d)) || d < double(lo) || d > double(hi))
            return false;
        out = int64_t(d);
        return true;
    };
    auto stringField = [&](const char *name, QString &out) {
        const QJsonValue f = o.value(QLatin1String(name));
        if (f.isUndefined())
            return true;
        if (!f.isString())
            return false;
        out = f.toString();
        return true;
    };
    int64_t channel = r.channel + 1, length = r.length, period = r.periodMs, count = r.count,
            type = r.transmitType;
    QString kind = "CAN";
    if (!boolField("enabled", r.enabled))
        return fieldError(entry, "enabled");
    if (!intField("channel", 1, 2, channel))
        return fieldError(entry, "channel");
    if (!stringField("id", r.id))
        return fieldError(entry, "id");
    if (!boolField("extended", r.extended))
        return fieldError(entry, "extended");
    if (!boolField("remote", r.remote))
        return fieldError(entry, "remote");
    if (!stringField("kind", kind))
        return fieldError(entry, "kind");
    if (kind == "CAN")
        r.kind = ListSendRow::Can;
    else if (kind == "CANFD")
        r.kind = ListSendRow::CanFd;
    else if (kind == "CANFD-BRS")
        r.kind = ListSendRow::CanFdBrs;
    else
        return fieldError(entry, "kind");
    if (!intField("length", 0, 64, length) || !ListSendRow::isValidLength(r.kind, int(length)))
        return fieldError(entry, "length");
    if (!stringField("data", r.data))
        return fieldError(entry, "data");
    if (!intField("periodMs", 0, 86400000, period))
        return fieldError(entry, "periodMs");
    if (!intField("count", -1, int64_t(1) << 52, count))
        return fieldError(entry, "count");
    if (!intField("transmitType", 0, 3, type))
        return fieldError(entry, "transmitType");
    if (!stringField("comment", r.comment))
        return fieldError(entry, "comment");
    if (!stringField("message", r.boundMessage))
        return fieldError(entry, "message");
    if (!readSignalValues(o.value(QLatin1String("signals")), r.signalValues))
        return fieldError(entry, "signals");
    r.channel = int(channel) - 1;
    r.length = int(length);
    r.periodMs = int(period);
    r.count = count;
    r.transmitType = int(type);
    const QString problem = r.problem();
    if (!problem.isEmpty())
        return byLanguage("第 %1 项: %2", "第 %1 項: %2", "entry %1: %2").arg(entry).arg(problem);
    return {};
}

} // namespace

QByteArray toJson(const QVector<ListSendRow> &rows)
{
    QJsonArray array;
    for (const ListSendRow &r : rows)
        array.append(rowObject(r));
    QJsonObject top;
    top["rows"] = array;
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

ReadResult fromJson(const QByteArray &json)
{
    ReadResult result;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        result.error =
            byLanguage("文件无法解析: %1", "檔案無法解析: %1", "the file does not parse: %1")
                .arg(parseError.errorString());
        return result;
    }
    const QJsonValue rows = doc.object().value(QLatin1String("rows"));
    if (!doc.isObject() || !rows.isArray()) {
        result.error = byLanguage("文件中没有 \"rows\" 列表", "檔案中沒有 \"rows\" 列表",
                                  "the file has no \"rows\" list");
        return result;
    }
    QVector<ListSendRow> read;
    int entry = 0;
    for (const QJsonValue &v : rows.toArray()) {
        ListSendRow r;
        const QString error = readRow(v, ++entry, r);
        if (!error.isEmpty()) {
            result.error = error;
            return result;
        }
        read.append(r);
    }
    result.rows = read;
    return result;
}

bool write(const QString &path, const QVector<ListSendRow> &rows, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(toJson(rows)) >= 0 && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

ReadResult read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReadResult result;
        result.error =
            byLanguage("无法打开文件: %1", "無法開啟檔案: %1", "cannot open the file: %1")
                .arg(file.errorString());
        return result;
    }
    return fromJson(file.readAll());
}

} // namespace ListSendFile
