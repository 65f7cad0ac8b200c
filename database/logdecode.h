#pragma once

// "larkspur-log decode DBC LOG [--json] [--all]": every frame of a log file (candump,
// ASC, BLF or TRC by its extension; "-" for candump log lines on standard input) decoded
// with a DBC, one line per frame: time, channel, identifier, message name and
// "signal=value unit" pairs, or with --json one object per frame:
//   {"t": seconds, "ch": n, "id": n, "message": name, "signals": {name: value}, "text": {name: text}}
// Frames of identifiers the database does not know are left out unless --all.

#include <QStringList>

#include <cstdio>

// Runs the command (args without the program name); returns the exit status.
int runLogDecode(const QStringList &args, FILE *out, FILE *err);
