#pragma once

#include <QIcon>

// The tool's application icon, used as window icon, about-box picture and drag icon.
QIcon pellowIcon();
