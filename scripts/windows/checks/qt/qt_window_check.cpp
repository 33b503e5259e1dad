// A window with a tool bar, a table with check boxes and a status bar, closed after the
// given number of seconds; prints the platform and style Qt chose.
#include <QApplication>
#include <QMainWindow>
#include <QPrinterInfo>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  QMainWindow window;
  window.setWindowTitle("Qt window check");
  QToolBar* tools = window.addToolBar("Tools");
  tools->addAction(window.style()->standardIcon(QStyle::SP_DialogOpenButton), "Download");
  tools->addAction(window.style()->standardIcon(QStyle::SP_DialogSaveButton), "Export");
  auto* table = new QTableWidget(4, 3, &window);
  table->setHorizontalHeaderLabels({"Date", "INR", "Note"});
  for (int row = 0; row < 4; ++row) {
    auto* date = new QTableWidgetItem(QString("2026-12-%1").arg(row + 1));
    date->setCheckState(row % 2 ? Qt::Checked : Qt::Unchecked);
    table->setItem(row, 0, date);
    table->setItem(row, 1, new QTableWidgetItem(QString::number(2.0 + row / 10.0)));
    table->setItem(row, 2, new QTableWidgetItem(QString::fromUtf8("\xc3\xa4\xc3\xb6\xc3\xbc \xe4\xb8\xad")));
  }
  window.setCentralWidget(table);
  window.statusBar()->showMessage("Ready");
  window.resize(480, 300);
  window.show();
  std::printf("platform=%s style=%s printers=%d\n", qPrintable(QGuiApplication::platformName()),
              qPrintable(window.style()->name()), int(QPrinterInfo::availablePrinters().size()));
  std::fflush(stdout);
  QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
  return app.exec();
}
