#include "signalpicker.h"

#include "database/signaldatabases.h"
#include "settings/settingsstore.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Role { ChannelRole = Qt::UserRole, IdRole, ExtendedRole, SignalRole };

QString idText(const DbcMessage &m)
{
    return QStringLiteral("0x%1")
        .arg(m.id, m.extended ? 8 : 3, 16, QLatin1Char('0'))
        .toUpper()
        .replace("0X", "0x");
}

} // namespace

SignalPicker::SignalPicker(const SignalDatabases *databases, const std::vector<SignalRef> &chosen,
                           QWidget *parent)
    : QDialog(parent), databases(databases), filter(new QLineEdit(this)),
      tree(new QTreeWidget(this))
{
    setWindowTitle(byLanguage("选择信号", "選擇訊號", "Choose signals"));
    filter->setPlaceholderText(byLanguage("按名称筛选", "依名稱篩選", "Filter by name"));
    tree->setHeaderLabels({byLanguage("报文 / 信号", "報文 / 訊號", "Message / signal"),
                           byLanguage("单位", "單位", "Unit")});
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(byLanguage("确定", "確定", "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(byLanguage("取消", "取消", "Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(filter, &QLineEdit::textChanged, this, &SignalPicker::applyFilter);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(filter);
    layout->addWidget(tree);
    layout->addWidget(buttons);
    resize(520, 600);
    fill(chosen);
}

void SignalPicker::fill(const std::vector<SignalRef> &chosen)
{
    for (int ch = 0; ch < 2; ++ch) {
        const auto db = databases->database(ch);
        if (!db)
            continue;
        auto *channel =
            new QTreeWidgetItem(tree, {byLanguage("通道%1", "通道%1", "Channel %1").arg(ch + 1)});
        for (const DbcMessage &m : db->messages) {
            auto *message =
                new QTreeWidgetItem(channel, {m.name + QStringLiteral("  ") + idText(m)});
            for (const DbcSignal &s : m.signalList) {
                auto *item = new QTreeWidgetItem(message, {s.name, s.unit});
                item->setData(0, ChannelRole, ch);
                item->setData(0, IdRole, m.id);
                item->setData(0, ExtendedRole, m.extended);
                item->setData(0, SignalRole, s.name);
                const SignalRef ref{ch, m.id, m.extended, s.name};
                const bool on = std::find(chosen.begin(), chosen.end(), ref) != chosen.end();
                item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
                if (on)
                    message->setExpanded(true);
            }
        }
        channel->setExpanded(true);
    }
    tree->resizeColumnToContents(0);
}

void SignalPicker::applyFilter(const QString &text)
{
    for (int c = 0; c < tree->topLevelItemCount(); ++c) {
        QTreeWidgetItem *channel = tree->topLevelItem(c);
        for (int m = 0; m < channel->childCount(); ++m) {
            QTreeWidgetItem *message = channel->child(m);
            const bool messageMatches = message->text(0).contains(text, Qt::CaseInsensitive);
            bool any = false;
            for (int s = 0; s < message->childCount(); ++s) {
                QTreeWidgetItem *signal = message->child(s);
                const bool show =
                    messageMatches || signal->text(0).contains(text, Qt::CaseInsensitive);
                signal->setHidden(!show);
                any = any || show;
            }
            message->setHidden(!any);
            if (!text.isEmpty() && any)
                message->setExpanded(true);
        }
    }
}

std::vector<SignalRef> SignalPicker::chosen() const
{
    std::vector<SignalRef> refs;
    QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::Checked);
    for (; *it; ++it) {
        const QTreeWidgetItem *item = *it;
        refs.push_back({item->data(0, ChannelRole).toInt(), item->data(0, IdRole).toUInt(),
                        item->data(0, ExtendedRole).toBool(),
                        item->data(0, SignalRole).toString()});
    }
    return refs;
}
