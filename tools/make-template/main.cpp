// movra-make-template OUT.xls — writes the export template: worksheet "Sheet1" with the
// nine column titles in bold in its first row.
#include <cstdio>
#include <exception>

#include "export/xls_template_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: movra-make-template OUT.xls\n");
    return 2;
  }
  try {
    movra::WriteTemplateWorkbook(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "movra-make-template: %s\n", e.what());
    return 1;
  }
  return 0;
}
