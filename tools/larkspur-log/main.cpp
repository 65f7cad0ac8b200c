#include "settings/settingsstore.h"
#include "tools/larkspur-log/logtool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    setLanguageIndex(2); // CSV rows in English
    LogTool tool(stdout, stderr);
    const int status = tool.run(arguments);
    if (std::fflush(stdout) != 0 && status == LogTool::Ok) {
        std::fputs("larkspur-log: cannot write to standard output\n", stderr);
        return LogTool::Failed;
    }
    return status;
}
