#include "app/mainwindow.h"
#include "device/adapterconfig.h"
#include "device/devicelayer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QString backendError;
    std::shared_ptr<VendorApi> backend = createConfiguredBackend(&backendError);
    if (backend)
        setVendorBackend(backend);
    int result = 0;
    {
        MainWindow window;
        if (!backendError.isEmpty())
            window.appendLog(backendError);
        window.show();
        result = app.exec();
    }
    return result;
}
