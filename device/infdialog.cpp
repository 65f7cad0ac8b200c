#include "device/infdialog.h"

// Placeholder until the dialog is built.
void showDeviceInformation(QWidget *, InfoEntry) {}
