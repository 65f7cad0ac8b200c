#include "caboutdlg.h"

#include "appicon.h"
#include "dialogunits.h"
#include "pellowfont.h"

#include <QLabel>
#include <QPushButton>
#include <QVariant>

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 Pellow"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(pellowFont());

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setPixmap(pellowIcon().pixmap(32, 32));
    auto *text = new QLabel(QStringLiteral("Ferrule固件升级工具 V1.0 "), this);
    text->setObjectName(QStringLiteral("versionLabel"));
    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setProperty("controlId", 1);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *units = new DialogUnits(this, QSize(235, 55));
    units->place(icon, QRect(11, 14, 24, 24));
    units->place(text, QRect(40, 18, 130, 14));
    units->place(ok, QRect(178, 7, 50, 16));
    units->apply();
}
