#pragma once

// The single-button message box of the send panels. Tests install an interceptor so that
// no modal box waits for a click; the interceptor then receives the title and text.

#include <QString>

#include <functional>

class QWidget;

using WarningInterceptor = std::function<void(const QString &title, const QString &text)>;

void showWarningBox(QWidget *parent, const QString &title, const QString &text);
void setWarningInterceptor(WarningInterceptor interceptor);
