#include "dbcreader.h"

#include "database/dbclayout.h"
#include "settings/settingsstore.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString sv(std::string_view s)
{
    return QString::fromLatin1(s.data(), int(s.size()));
}

// Keywords of the sections this reader uses.
bool isUsedKeyword(std::string_view word)
{
    static const char *const words[] = {
        "VERSION", "NS_",     "BS_",         "BU_", "VAL_TABLE_", "BO_",          "SG_",
        "CM_",     "BA_DEF_", "BA_DEF_DEF_", "BA_", "VAL_",       "SIG_VALTYPE_", "SG_MUL_VAL_"};
    for (const char *w : words) {
        if (word == w)
            return true;
    }
    return false;
}

// Keywords of sections this reader does not use; their statements are skipped to ';'.
bool isSkippedKeyword(std::string_view word)
{
    static const char *const words[] = {"NS_DESC_",         "CAT_DEF_",        "CAT_",
                                        "FILTER",           "EV_DATA_",        "ENVVAR_DATA_",
                                        "SGTYPE_",          "SGTYPE_VAL_",     "BA_DEF_SGTYPE_",
                                        "BA_SGTYPE_",       "SIG_TYPE_REF_",   "SIG_GROUP_",
                                        "SIGTYPE_VALTYPE_", "BO_TX_BU_",       "BA_DEF_REL_",
                                        "BA_REL_",          "BA_DEF_DEF_REL_", "BU_SG_REL_",
                                        "BU_EV_REL_",       "BU_BO_REL_",      "EV_"};
    for (const char *w : words) {
        if (word == w)
            return true;
    }
    return false;
}

} // namespace

QString DbcReadError::message() const
{
    QString what;
    switch (kind) {
    case None:
        return QString();
    case Unreadable:
        return byLanguage("无法读取文件 %1", "無法讀取檔案 %1", "Cannot read the file %1")
            .arg(detail);
    case ExpectedName:
        what = byLanguage("此处应为名称", "此處應為名稱", "a name is expected here");
        break;
    case ExpectedNumber:
        what = byLanguage("此处应为数字", "此處應為數字", "a number is expected here");
        break;
    case ExpectedText:
        what = byLanguage("此处应为带引号的文本", "此處應為帶引號的文字",
                          "a quoted text is expected here");
        break;
    case ExpectedSymbol:
        what = byLanguage("此处应为“%1”", "此處應為「%1」", "\"%1\" is expected here").arg(detail);
        break;
    case UnknownStatement:
        what = byLanguage("未知的语句“%1”", "未知的敘述「%1」", "unknown statement \"%1\"")
                   .arg(detail);
        break;
    case SignalOutsideMessage:
        what =
            byLanguage("信号不属于任何报文", "訊號不屬於任何報文", "a signal outside any message");
        break;
    case BadMessage:
        what = byLanguage("报文的标识符或长度超出范围", "報文的識別碼或長度超出範圍",
                          "the message's identifier or length is out of range");
        break;
    case BadSignal:
        what = byLanguage("信号的起始位、长度或数值类型不适合帧",
                          "訊號的起始位元、長度或數值類型不適合框架",
                          "the signal's start bit, length or value type does not fit a frame");
        break;
    case UnterminatedText:
        what = byLanguage("文本缺少结束引号", "文字缺少結束引號", "a text has no closing quote");
        break;
    }
    return byLanguage("第 %1 行第 %2 列：%3", "第 %1 行第 %2 欄：%3", "line %1, column %2: %3")
        .arg(line)
        .arg(column)
        .arg(what);
}

DbcReadError DbcReader::readFile(const QString &path, DbcDatabase &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out = DbcDatabase();
        DbcReadError error;
        error.kind = DbcReadError::Unreadable;
        error.detail = path;
        return error;
    }
    return read(file.readAll(), out);
}

DbcReadError DbcReader::read(const QByteArray &bytes, DbcDatabase &out)
{
    DbcReader reader(bytes);
    if (reader.readAll()) {
        reader.finish();
        out = std::move(reader.db);
    } else {
        out = DbcDatabase();
    }
    return reader.error;
}

DbcReader::DbcReader(const QByteArray &bytes) : cursor(bytes) {}

bool DbcReader::readAll()
{
    while (cursor.skipSpace()) {
        statementStart = cursor.mark();
        std::string_view keyword;
        if (!expectName(keyword) || !statement(keyword))
            return false;
    }
    return true;
}

bool DbcReader::statement(std::string_view keyword)
{
    if (keyword == "VERSION")
        return readVersion();
    if (keyword == "NS_")
        return readNamespace();
    if (keyword == "BS_")
        return expect(':') && (cursor.atLineEnd() || cursor.skipStatement());
    if (keyword == "BU_")
        return readNodes();
    if (keyword == "VAL_TABLE_")
        return readValueTable();
    if (keyword == "BO_")
        return readMessage();
    if (keyword == "SG_")
        return readSignal();
    if (keyword == "CM_")
        return readComment();
    if (keyword == "BA_DEF_")
        return readAttributeDefinition();
    if (keyword == "BA_DEF_DEF_")
        return readAttributeDefault();
    if (keyword == "BA_")
        return readAttribute();
    if (keyword == "VAL_")
        return readValueDescriptions();
    if (keyword == "SIG_VALTYPE_")
        return readValueType();
    if (keyword == "SG_MUL_VAL_")
        return readMuxValues();
    if (isSkippedKeyword(keyword))
        return cursor.skipStatement() || fail(DbcReadError::ExpectedSymbol, ";");
    return failAt(statementStart, DbcReadError::UnknownStatement, sv(keyword));
}

// ---- Sections ------------------------------------------------------------------------

bool DbcReader::readVersion()
{
    return expectText(db.version);
}

bool DbcReader::readNamespace()
{
    // "NS_ :" and the names of the optional sections, up to the bit-timing or node line.
    if (!expect(':'))
        return false;
    for (;;) {
        DbcCursor probe = cursor;
        std::string_view word;
        if (!probe.name(word) || word == "BS_" || word == "BU_" || word == "BO_")
            return true;
        cursor = probe;
    }
}

bool DbcReader::readNodes()
{
    // "BU_:" and node names, on its line and on the indented lines after it.
    if (!expect(':'))
        return false;
    const int firstLine = cursor.line();
    for (;;) {
        const DbcCursor::Mark before = cursor.mark();
        std::string_view node;
        if (!cursor.name(node))
            return true;
        const bool atLineStart = cursor.column() - int(node.size()) == 1;
        if (isUsedKeyword(node) || isSkippedKeyword(node) ||
            (cursor.line() != firstLine && atLineStart)) {
            cursor.restore(before);
            return true;
        }
        db.nodes.append(cursor.decode(node));
    }
}

bool DbcReader::readValueTable()
{
    std::string_view name;
    DbcValueTexts texts;
    if (!expectName(name) || !readValueTexts(texts))
        return false;
    db.valueTables.insert(cursor.decode(name), std::move(texts));
    return true;
}

bool DbcReader::readMessage()
{
    uint64_t rawId = 0;
    std::string_view name;
    int64_t length = 0;
    cursor.skipSpace();
    const DbcCursor::Mark idAt = cursor.mark();
    if (!cursor.unsignedInteger(rawId))
        return fail(DbcReadError::ExpectedNumber);
    if (rawId > 0xFFFFFFFFu)
        return failAt(idAt, DbcReadError::BadMessage);
    if (!expectName(name) || !expect(':'))
        return false;
    cursor.skipSpace();
    const DbcCursor::Mark lengthAt = cursor.mark();
    if (!expectInteger(length))
        return false;
    if (length < 0 || length > 64)
        return failAt(lengthAt, DbcReadError::BadMessage);
    DbcMessage message;
    message.name = cursor.decode(name);
    message.extended = (rawId & 0x80000000u) != 0;
    message.id = message.extended ? uint32_t(rawId & 0x1FFFFFFFu) : uint32_t(rawId);
    message.length = int(length);
    std::string_view sender;
    if (!cursor.atLineEnd()) {
        if (!expectName(sender))
            return false;
        if (sender != "Vector__XXX")
            message.sender = cursor.decode(sender);
    }
    messageByRawId.insert(uint32_t(rawId), int(db.messages.size()));
    db.messages.push_back(std::move(message));
    frameFormatFd.push_back(-1);
    cycleTimeGiven.push_back(false);
    return true;
}

bool DbcReader::readSignal()
{
    if (db.messages.empty())
        return failAt(statementStart, DbcReadError::SignalOutsideMessage);
    DbcSignal signal;
    std::string_view name;
    if (!expectName(name))
        return false;
    signal.name = cursor.decode(name);
    signal.startValue = std::numeric_limits<double>::quiet_NaN();
    if (!readSignalMux(signal) || !expect(':') || !readSignalLayout(signal) ||
        !readSignalScaling(signal) || !expectText(signal.unit) || !readReceivers(signal))
        return false;
    db.messages.back().signalList.push_back(std::move(signal));
    return true;
}

bool DbcReader::readSignalMux(DbcSignal &signal)
{
    // "M" (multiplexor), "m<n>" (selected by value n) or "m<n>M" (both).
    cursor.skipBlank();
    if (cursor.peek() == ':')
        return true;
    std::string_view mux;
    if (!expectName(mux))
        return false;
    if (mux == "M") {
        signal.isMultiplexor = true;
        return true;
    }
    if (mux.size() < 2 || mux[0] != 'm')
        return fail(DbcReadError::ExpectedSymbol, ":");
    if (mux.back() == 'M') {
        signal.isMultiplexor = true;
        mux.remove_suffix(1);
    }
    uint64_t value = 0;
    for (size_t i = 1; i < mux.size(); ++i) {
        if (mux[i] < '0' || mux[i] > '9' || value > (uint64_t(1) << 59))
            return fail(DbcReadError::ExpectedSymbol, ":");
        value = value * 10 + uint64_t(mux[i] - '0');
    }
    if (mux.size() < 2)
        return fail(DbcReadError::ExpectedSymbol, ":");
    signal.multiplexor = kPlainMultiplexor;
    signal.muxRanges.push_back({value, value});
    return true;
}

bool DbcReader::readSignalLayout(DbcSignal &signal)
{
    // start|length@order sign, e.g. "7|12@0-".
    int64_t start = 0, length = 0;
    cursor.skipSpace();
    const DbcCursor::Mark at = cursor.mark();
    if (!expectInteger(start) || !expect('|'))
        return false;
    if (!expectInteger(length) || !expect('@'))
        return false;
    if (cursor.take('0'))
        signal.motorola = true;
    else if (!cursor.take('1'))
        return fail(DbcReadError::ExpectedSymbol, "0/1");
    if (cursor.take('-'))
        signal.isSigned = true;
    else if (!cursor.take('+'))
        return fail(DbcReadError::ExpectedSymbol, "+/-");
    signal.startBit = int(std::clamp<int64_t>(start, -1, 1024));
    signal.length = int(std::clamp<int64_t>(length, 0, 1024));
    if (!dbclayout::compute(signal))
        return failAt(at, DbcReadError::BadSignal);
    return true;
}

bool DbcReader::readSignalScaling(DbcSignal &signal)
{
    // (factor,offset) [minimum|maximum]
    return expect('(') && expectNumber(signal.factor) && expect(',') &&
           expectNumber(signal.offset) && expect(')') && expect('[') &&
           expectNumber(signal.minimum) && expect('|') && expectNumber(signal.maximum) &&
           expect(']');
}

bool DbcReader::readReceivers(DbcSignal &signal)
{
    while (!cursor.atLineEnd()) {
        if (cursor.take(','))
            continue;
        std::string_view receiver;
        if (!expectName(receiver))
            return false;
        if (receiver != "Vector__XXX")
            signal.receivers.append(cursor.decode(receiver));
    }
    return true;
}

bool DbcReader::readComment()
{
    // CM_ "text"; CM_ BU_ node "text"; CM_ BO_ id "text"; CM_ SG_ id signal "text";
    // CM_ EV_ variable "text";
    QString text;
    cursor.skipSpace();
    if (cursor.peek() == '"')
        return expectText(db.comment) && endStatement();
    std::string_view object;
    if (!expectName(object))
        return false;
    if (object == "BU_" || object == "EV_") {
        std::string_view name;
        if (!expectName(name) || !expectText(text))
            return false;
        if (object == "BU_")
            db.nodeComments.insert(cursor.decode(name), text);
    } else if (object == "BO_") {
        DbcMessage *message = nullptr;
        if (!readMessageRef(message) || !expectText(text))
            return false;
        if (message)
            message->comment = text;
    } else if (object == "SG_") {
        DbcMessage *message = nullptr;
        DbcSignal *signal = nullptr;
        if (!readSignalRef(message, signal) || !expectText(text))
            return false;
        if (signal)
            signal->comment = text;
    } else {
        return fail(DbcReadError::ExpectedText);
    }
    return endStatement();
}

bool DbcReader::readAttributeDefinition()
{
    // BA_DEF_ [BU_|BO_|SG_|EV_] "name" type parameters;  only ENUM lists are kept.
    cursor.skipSpace();
    if (cursor.peek() != '"') {
        std::string_view object;
        if (!expectName(object))
            return false;
    }
    QString name;
    std::string_view type;
    if (!expectText(name) || !expectName(type))
        return false;
    if (type != "ENUM")
        return cursor.skipStatement() || fail(DbcReadError::ExpectedSymbol, ";");
    QStringList values;
    cursor.skipSpace();
    while (cursor.peek() == '"') {
        QString value;
        if (!expectText(value))
            return false;
        values.append(value);
        if (!cursor.take(','))
            break;
        cursor.skipSpace();
    }
    enumAttributes.insert(name, values);
    return endStatement();
}

bool DbcReader::readAttributeDefault()
{
    QString name, text;
    double number = 0;
    if (!expectText(name) || !readAttributeValue(name, number, text))
        return false;
    if (name == QLatin1String("GenMsgCycleTime"))
        defaultCycleTime = number;
    else if (name == QLatin1String("GenSigStartValue"))
        defaultStartValue = number;
    else if (name == QLatin1String("VFrameFormat"))
        defaultFrameFormat = text;
    return endStatement();
}

bool DbcReader::readAttribute()
{
    // BA_ "name" [BU_ node | BO_ id | SG_ id signal | EV_ variable] value;
    QString name, text;
    if (!expectText(name))
        return false;
    const bool used = name == QLatin1String("GenMsgCycleTime") ||
                      name == QLatin1String("GenSigStartValue") ||
                      name == QLatin1String("VFrameFormat");
    if (!used)
        return cursor.skipStatement() || fail(DbcReadError::ExpectedSymbol, ";");
    cursor.skipSpace();
    DbcMessage *message = nullptr;
    DbcSignal *signal = nullptr;
    if (cursor.peek() != '"' && cursor.peek() != '-' &&
        !(cursor.peek() >= '0' && cursor.peek() <= '9')) {
        std::string_view object;
        if (!expectName(object))
            return false;
        if (object == "BO_") {
            if (!readMessageRef(message))
                return false;
        } else if (object == "SG_") {
            if (!readSignalRef(message, signal))
                return false;
        } else {
            return cursor.skipStatement() || fail(DbcReadError::ExpectedSymbol, ";");
        }
    }
    double number = 0;
    if (!readAttributeValue(name, number, text))
        return false;
    if (message && !signal) {
        const size_t index = size_t(message - db.messages.data());
        if (name == QLatin1String("GenMsgCycleTime")) {
            message->cycleTimeMs = int(std::clamp(number, 0.0, 1e9));
            cycleTimeGiven[index] = true;
        } else if (name == QLatin1String("VFrameFormat")) {
            frameFormatFd[index] = text.endsWith(QLatin1String("_FD"), Qt::CaseInsensitive) ? 1 : 0;
        }
    } else if (signal && name == QLatin1String("GenSigStartValue")) {
        signal->startValue = number;
    }
    return endStatement();
}

bool DbcReader::readValueDescriptions()
{
    // VAL_ id signal value "text" ... ;  (descriptions of environment variables are skipped)
    cursor.skipSpace();
    if (!(cursor.peek() >= '0' && cursor.peek() <= '9'))
        return cursor.skipStatement() || fail(DbcReadError::ExpectedSymbol, ";");
    DbcMessage *message = nullptr;
    DbcSignal *signal = nullptr;
    DbcValueTexts texts;
    if (!readSignalRef(message, signal) || !readValueTexts(texts))
        return false;
    if (signal)
        signal->valueTexts = std::move(texts);
    return true;
}

bool DbcReader::readValueType()
{
    // SIG_VALTYPE_ id signal : 0|1|2;  (1 = IEEE float, 2 = IEEE double)
    DbcMessage *message = nullptr;
    DbcSignal *signal = nullptr;
    int64_t type = 0;
    if (!readSignalRef(message, signal))
        return false;
    cursor.take(':');
    cursor.skipSpace();
    const DbcCursor::Mark at = cursor.mark();
    if (!expectInteger(type))
        return false;
    if (signal) {
        const int bits = type == 1 ? 32 : type == 2 ? 64 : 0;
        if ((bits != 0 && signal->length != bits) || type < 0 || type > 2)
            return failAt(at, DbcReadError::BadSignal);
        signal->valueType = type == 1   ? DbcValueType::Float
                            : type == 2 ? DbcValueType::Double
                                        : DbcValueType::Integer;
    }
    return endStatement();
}

bool DbcReader::readMuxValues()
{
    // SG_MUL_VAL_ id signal multiplexor low-high, low-high ... ;
    DbcMessage *message = nullptr;
    DbcSignal *signal = nullptr;
    std::string_view muxName;
    if (!readSignalRef(message, signal) || !expectName(muxName))
        return false;
    std::vector<DbcMuxRange> ranges;
    do {
        uint64_t low = 0, high = 0;
        cursor.skipSpace();
        if (!cursor.unsignedInteger(low))
            return fail(DbcReadError::ExpectedNumber);
        if (!expect('-'))
            return false;
        if (!cursor.unsignedInteger(high))
            return fail(DbcReadError::ExpectedNumber);
        ranges.push_back({std::min(low, high), std::max(low, high)});
    } while (cursor.take(','));
    if (signal) {
        const int mux = message->signalIndex(cursor.decode(muxName));
        if (mux >= 0 && &message->signalList[size_t(mux)] != signal) {
            signal->multiplexor = mux;
            signal->muxRanges = std::move(ranges);
        }
    }
    return endStatement();
}

// ---- Pieces ---------------------------------------------------------------------------

bool DbcReader::readValueTexts(DbcValueTexts &out)
{
    // value "text" value "text" ... ;
    while (!cursor.take(';')) {
        int64_t value = 0;
        uint64_t big = 0;
        QString text;
        cursor.skipSpace();
        if (!cursor.integer(value)) {
            if (!cursor.unsignedInteger(big))
                return fail(cursor.atEnd() ? DbcReadError::ExpectedSymbol
                                           : DbcReadError::ExpectedNumber,
                            ";");
            value = int64_t(big);
        }
        if (!expectText(text))
            return false;
        out.emplace_back(value, text);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    // A value described twice keeps its last text.
    DbcValueTexts unique;
    for (auto &entry : out) {
        if (!unique.empty() && unique.back().first == entry.first)
            unique.back().second = std::move(entry.second);
        else
            unique.push_back(std::move(entry));
    }
    out = std::move(unique);
    return true;
}

bool DbcReader::readMessageRef(DbcMessage *&message)
{
    uint64_t rawId = 0;
    cursor.skipSpace();
    if (!cursor.unsignedInteger(rawId))
        return fail(DbcReadError::ExpectedNumber);
    // References to messages the file does not define are read and dropped.
    const auto it = messageByRawId.constFind(uint32_t(rawId));
    message = rawId <= 0xFFFFFFFFu && it != messageByRawId.constEnd() ? &db.messages[size_t(*it)]
                                                                      : nullptr;
    return true;
}

bool DbcReader::readSignalRef(DbcMessage *&message, DbcSignal *&signal)
{
    std::string_view name;
    if (!readMessageRef(message) || !expectName(name))
        return false;
    signal = nullptr;
    if (message) {
        const int index = message->signalIndex(cursor.decode(name));
        if (index >= 0)
            signal = &message->signalList[size_t(index)];
    }
    return true;
}

bool DbcReader::readAttributeValue(const QString &attribute, double &number, QString &text)
{
    // A number (an ENUM attribute's index) or a quoted text (an ENUM attribute's name).
    cursor.skipSpace();
    if (cursor.peek() == '"') {
        if (!expectText(text))
            return false;
        bool ok = false;
        number = text.toDouble(&ok);
        return true;
    }
    if (!expectNumber(number))
        return false;
    const QStringList values = enumAttributes.value(attribute);
    if (number >= 0 && number < values.size())
        text = values.at(int(number));
    return true;
}

bool DbcReader::endStatement()
{
    return expect(';');
}

bool DbcReader::expectName(std::string_view &out)
{
    return cursor.name(out) || fail(DbcReadError::ExpectedName);
}

bool DbcReader::expectNumber(double &out)
{
    return (cursor.number(out) && std::isfinite(out)) || fail(DbcReadError::ExpectedNumber);
}

bool DbcReader::expectInteger(int64_t &out)
{
    return cursor.integer(out) || fail(DbcReadError::ExpectedNumber);
}

bool DbcReader::expectText(QString &out)
{
    if (cursor.text(out))
        return true;
    cursor.skipSpace();
    return fail(cursor.peek() == '"' ? DbcReadError::UnterminatedText : DbcReadError::ExpectedText);
}

bool DbcReader::expect(char symbol)
{
    return cursor.take(symbol) || fail(DbcReadError::ExpectedSymbol, QString(QLatin1Char(symbol)));
}

bool DbcReader::failAt(const DbcCursor::Mark &at, DbcReadError::Kind kind, const QString &detail)
{
    cursor.restore(at);
    return fail(kind, detail);
}

bool DbcReader::fail(DbcReadError::Kind kind, const QString &detail)
{
    cursor.skipBlank();
    error.kind = kind;
    error.line = cursor.line();
    error.column = cursor.column();
    error.detail = detail;
    return false;
}

// ---- After the last statement --------------------------------------------------------

void DbcReader::finish()
{
    const int defaultFd = defaultFrameFormat.endsWith(QLatin1String("_FD"), Qt::CaseInsensitive);
    for (size_t m = 0; m < db.messages.size(); ++m) {
        DbcMessage &message = db.messages[m];
        if (!cycleTimeGiven[m])
            message.cycleTimeMs = int(std::clamp(defaultCycleTime, 0.0, 1e9));
        message.canFd = message.length > 8 || (frameFormatFd[m] < 0 ? defaultFd : frameFormatFd[m]);
        for (DbcSignal &signal : message.signalList) {
            if (std::isnan(signal.startValue))
                signal.startValue = defaultStartValue;
        }
        dbclayout::resolveMultiplexing(message);
    }
    db.buildIndex();
}
