// The display filter's value list with many distinct identifiers, shown on the offscreen
// platform: the time to fill it, to answer one keystroke of a search (list updated and
// painted) and to tick "all".
//
//   sift_bench [values]      (10000 by default)

#include "receive/siftdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <cstdio>

namespace {

// Runs step, then lets the dialog lay out and paint; returns the milliseconds taken.
template <typename Step> double timed(SiftDialog &dialog, Step step)
{
    QElapsedTimer clock;
    clock.start();
    step();
    QApplication::processEvents();
    dialog.repaint();
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QStringList values;
    for (int i = 0; i < count; ++i)
        values << QStringLiteral("0x%1").arg(0x100 + i, 0, 16).toUpper().replace("0X", "0x");

    SiftDialog dialog;
    dialog.resize(300, 500);
    dialog.show();
    std::printf("sift list with %d values\n", count);
    std::printf("  fill:                       %8.1f ms\n",
                timed(dialog, [&] { dialog.setValues(values, 5); }));
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("editSift"));
    double worst = 0;
    double total = 0;
    const QString typed = QStringLiteral("0x1A2");
    for (const QChar key : typed) {
        const double ms = timed(dialog, [&] { QTest::keyClick(edit, key.toLatin1()); });
        std::printf("  keystroke '%c':              %8.1f ms\n", key.toLatin1(), ms);
        worst = qMax(worst, ms);
        total += ms;
    }
    for (int i = 0; i < typed.size(); ++i) {
        const double ms = timed(dialog, [&] { QTest::keyClick(edit, Qt::Key_Backspace); });
        worst = qMax(worst, ms);
        total += ms;
    }
    std::printf("  keystroke mean / worst:     %8.1f / %.1f ms (%d keystrokes)\n",
                total / (2 * typed.size()), worst, int(2 * typed.size()));
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("listSift"));
    std::printf("  tick all:                   %8.1f ms\n",
                timed(dialog, [&] { list->item(0)->setCheckState(Qt::Checked); }));
    std::printf("  untick all:                 %8.1f ms\n",
                timed(dialog, [&] { list->item(0)->setCheckState(Qt::Unchecked); }));
    std::printf("  selected after untick:      %8d\n", int(dialog.selectedValues().size()));
    return 0;
}
