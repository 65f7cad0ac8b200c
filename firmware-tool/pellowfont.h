#pragma once

#include <QFont>

// The dialogs' font: 宋体 9 point, with CJK fallbacks where it is not installed.
QFont pellowFont();
