#pragma once

// Device information: INfDialog and its two entry points.

#include <QWidget>

enum class InfoEntry { OpenDialog, MainWindow };

// Checks the device, reads its BoardInfo and shows INfDialog modally, or warns.
void showDeviceInformation(QWidget *parent, InfoEntry from);
