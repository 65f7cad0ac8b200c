#pragma once

// Reads a DBC file into a DbcDatabase: nodes, value tables, messages and signals,
// comments, value descriptions, float value types, extended multiplexing and the
// attributes GenMsgCycleTime, GenSigStartValue and VFrameFormat. Every other section is
// skipped. The first fault ends reading: the database is left empty and the fault names
// its line and column.

#include "database/dbccursor.h"
#include "database/dbcdatabase.h"

#include <QHash>
#include <QString>

#include <string_view>

struct DbcReadError
{
    enum Kind {
        None,
        Unreadable, // detail: the file's path
        ExpectedName,
        ExpectedNumber,
        ExpectedText,
        ExpectedSymbol,   // detail: the symbol
        UnknownStatement, // detail: the word found
        SignalOutsideMessage,
        BadMessage, // identifier or length out of range
        BadSignal,  // start bit, length or value type that does not fit a frame
        UnterminatedText,
    };
    Kind kind = None;
    int line = 0;
    int column = 0;
    QString detail;

    bool ok() const { return kind == None; }
    // The fault in the interface language, with its line and column.
    QString message() const;
};

class DbcReader
{
public:
    static DbcReadError readFile(const QString &path, DbcDatabase &out);
    static DbcReadError read(const QByteArray &bytes, DbcDatabase &out);

private:
    explicit DbcReader(const QByteArray &bytes);
    bool readAll();
    bool statement(std::string_view keyword);
    void finish();

    bool readVersion();
    bool readNamespace();
    bool readNodes();
    bool readValueTable();
    bool readMessage();
    bool readSignal();
    bool readSignalMux(DbcSignal &signal);
    bool readSignalLayout(DbcSignal &signal);
    bool readSignalScaling(DbcSignal &signal);
    bool readReceivers(DbcSignal &signal);
    bool readComment();
    bool readAttributeDefinition();
    bool readAttributeDefault();
    bool readAttribute();
    bool readValueDescriptions();
    bool readValueType();
    bool readMuxValues();

    bool readValueTexts(DbcValueTexts &out);
    bool readMessageRef(DbcMessage *&message);
    bool readSignalRef(DbcMessage *&message, DbcSignal *&signal);
    bool readAttributeValue(const QString &attribute, double &number, QString &text);
    bool endStatement();

    bool expectName(std::string_view &out);
    bool expectNumber(double &out);
    bool expectInteger(int64_t &out);
    bool expectText(QString &out);
    bool expect(char symbol);
    bool fail(DbcReadError::Kind kind, const QString &detail = QString());
    bool failAt(const DbcCursor::Mark &at, DbcReadError::Kind kind,
                const QString &detail = QString());

    DbcCursor cursor;
    DbcDatabase db;
    DbcReadError error;
    DbcCursor::Mark statementStart{};
    QHash<uint32_t, int> messageByRawId;
    QHash<QString, QStringList> enumAttributes;
    double defaultCycleTime = 0;
    double defaultStartValue = 0;
    QString defaultFrameFormat;
    std::vector<int8_t> frameFormatFd; // per message: -1 not given, 0 or 1
    std::vector<bool> cycleTimeGiven;
};
