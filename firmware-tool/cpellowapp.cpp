#include "cpellowapp.h"

#include "cpellowdlg.h"
#include "messageboxnotifier.h"
#include "pellowconfig.h"

CPellowApp::CPellowApp(const QString &baseDir) : m_baseDir(baseDir) {}

bool CPellowApp::initInstance()
{
    const std::unique_ptr<Wexlib> library = PellowConfig::load(m_baseDir).createLibrary();
    MessageBoxNotifier notifier;
    CPellowDlg dialog(*library, notifier);
    dialog.exec();
    // An open device is left as it is: the program simply ends.
    return false;
}
