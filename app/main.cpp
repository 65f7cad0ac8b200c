#include "app/mainwindow.h"
#include "device/adapterconfig.h"
#include "device/devicelayer.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // An installed program keeps its settings in the user's data folder, made here on the
    // first start; a build tree or a writable unpacked folder needs nothing made.
    const bool writableReady = prepareWritableFolder();
    QString backendError;
    std::shared_ptr<VendorApi> backend = createConfiguredBackend(&backendError);
    if (backend)
        setVendorBackend(backend);
    int result = 0;
    {
        MainWindow window;
        if (!writableReady)
            window.appendLog(byLanguage("无法创建数据文件夹 ", "無法創建數據文件夾 ",
                                        "Cannot create the data folder ") +
                             appBaseDir());
        if (!backendError.isEmpty())
            window.appendLog(backendError);
        window.show();
        result = app.exec();
    }
    return result;
}
