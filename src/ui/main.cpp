// MovraT: no command line is read.
#include <QApplication>
#include <clocale>

#include "ui/startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Numbers are rendered with the locale's decimal separator by our own formatting;
  // the C library keeps the "C" conventions so parsing never depends on the locale.
  std::setlocale(LC_NUMERIC, "C");
  return movra::RunMovra(app);
}
