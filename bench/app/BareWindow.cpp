// The reference for the start-up and memory figures: a plain Qt Widgets window with the same
// controls as the program's window and nothing behind them.
//
//   qelvo_bare_window    prints "shown_ns N" and "peak_kb N", then exits
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "bench/app/ProbeCommon.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(u8"Qelvo自动任务【Ostrel专版】  BY:Vesk"));
    window.setFixedSize(359, 351);
    (new QLabel(QString::fromUtf8(u8"账号cookie："), &window))->setGeometry(8, 8, 80, 24);
    (new QPlainTextEdit(&window))->setGeometry(88, 8, 264, 48);
    (new QPushButton(QString::fromUtf8(u8"检测"), &window))->setGeometry(32, 64, 80, 24);
    (new QPushButton(QString::fromUtf8(u8"退出"), &window))->setGeometry(136, 64, 80, 24);
    (new QPushButton(QString::fromUtf8(u8"注册Pellar计划"), &window))->setGeometry(232, 64, 96, 24);
    (new QPlainTextEdit(&window))->setGeometry(3, 98, 352, 222);
    (new QLabel("Ostrel  bbs.ostrel.com", &window))->setGeometry(75, 323, 208, 24);
    window.show();
    qelvo::bench::WaitUntilExposed(&window);
    std::printf("shown_ns %lld\npeak_kb %ld\n", qelvo::bench::NowNs(), qelvo::bench::PeakRssKb());
    return 0;
}
