#pragma once

// Input rules of the channel send panels, kept apart from the widgets: the data text
// form, trimming to a length, reading the numbers of a job and the identifier range check
// with its messages.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace SendPanelRules {

constexpr int MaxDataBytes = 64;

// Byte pairs separated by single spaces: every space-separated part is padded to an even
// number of digits and cut into pairs; empty parts (two spaces in a row) survive.
QString normalizeDataText(const QString &text);

// Number of space-separated parts, empty parts counted.
int dataPartCount(const QString &text);

// Normalizes, then keeps only the first 3 * length characters when the text holds more
// than length parts. Nothing is added when it holds fewer.
QString trimDataText(const QString &text, int length);

// Reads the parts of a data text as hexadecimal bytes into a 64-byte buffer cleared to 0;
// an empty or unreadable part gives 0.
QByteArray dataBytes(const QString &text);

// The data editor's result as a data text: the first length bytes, each as upper-case
// hexadecimal followed by one space, normalized.
QString editorBytesText(const QByteArray &bytes, int length);

// Numbers of a job. A text that is not a number reads as 0.
int64_t readCount(const QString &text);
uint32_t readInterval(const QString &text);
uint32_t readLength(const QString &text);
uint32_t readIdentifier(const QString &text);

enum class IdCheck { Accepted, StandardOutOfRange, ExtendedOutOfRange };

// frameFormat 0 = standard (0 to 0x7FF), 1 = extended (0 to 0x1FFFFFFF). Hexadecimal
// digits too many for 32 bits are out of range rather than 0.
IdCheck checkIdentifier(const QString &text, int frameFormat);

// Texts of the refusals, by interface language; panel is 1 or 2.
QString idRangeMessage(IdCheck check, int panel);
QString channelClosedTitle(int panel);
QString channelClosedMessage(int panel);
// Why a file send was refused: the panel (1 or 2) is sending.
QString fileSendBusyMessage(int panel);

} // namespace SendPanelRules
