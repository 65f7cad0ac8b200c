// The DBC reader on any bytes, and every message it accepts decoded and encoded: no read
// or write outside a payload, no endless loop, a refused file leaves nothing behind.

#include "database/dbcreader.h"
#include "database/signalcodec.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DbcDatabase db;
    const DbcReadError error =
        DbcReader::read(QByteArray(reinterpret_cast<const char *>(data), int(size)), db);
    if (!error.ok()) {
        if (!db.messages.empty() || error.line < 1 || error.column < 1)
            std::abort();
        return 0;
    }
    DecodedFrame out;
    for (const DbcMessage &message : db.messages) {
        // Payloads of every length up to 64 bytes, filled from the input.
        for (int length = 0; length <= 64; length += 9) {
            std::vector<uint8_t> payload(static_cast<size_t>(length));
            for (int i = 0; i < length; ++i)
                payload[size_t(i)] = size ? data[size_t(i) % size] : 0;
            SignalCodec::decode(message, payload.data(), length, out);
            std::vector<double> values(message.signalList.size(), NAN);
            for (const DecodedSignal &v : out.values)
                values[size_t(v.index)] = v.physical;
            if (SignalCodec::encode(message, values).size() != size_t(message.length))
                std::abort();
        }
    }
    return 0;
}
