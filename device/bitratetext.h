#pragma once

// The bit rates a custom bit-timing text names, in order: numbers with an optional k or M
// ("1.0M", "500k", "500000"). Numbers of a percentage and numbers outside 1,000 bit/s to
// 16 Mbit/s are not rates.
//
//   "1.0M(80%),5.0M(75%),(60,06050002,...)"  ->  1000000, 5000000

#include <QByteArray>
#include <QVector>

#include <cstdint>

QVector<uint32_t> ratesInBitRateText(const QByteArray &text);
