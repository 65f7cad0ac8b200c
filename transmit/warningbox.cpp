#include "transmit/warningbox.h"

#include <QMessageBox>

namespace {

WarningInterceptor &interceptor()
{
    static WarningInterceptor current;
    return current;
}

} // namespace

void showWarningBox(QWidget *parent, const QString &title, const QString &text)
{
    if (interceptor()) {
        interceptor()(title, text);
        return;
    }
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void setWarningInterceptor(WarningInterceptor replacement)
{
    interceptor() = std::move(replacement);
}
