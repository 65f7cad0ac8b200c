#include "device/opendlg.h"

// Placeholder until the dialog is built.
OpenDlg::OpenDlg(int index, QWidget *parent) : QDialog(parent), deviceIndex(index) {}

OpenDlg::~OpenDlg() = default;
