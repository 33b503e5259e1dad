#include "report_print/report_pdf.h"

#include <QBuffer>
#include <QLocale>
#include <QPdfWriter>

#include "export/export_target.h"
#include "export/replacement_file.h"

namespace movra {

QByteArray ReportPdfBytes(const ReportDocument& doc) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(300);
    writer.setPageSize(ReportPageSize(QLocale()));
    writer.setPageMargins(QMarginsF(18, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(QString::fromStdString(doc.group.serialNumber + " / " + doc.group.patientId));
    writer.setCreator(doc.programName);
    PaintReport(writer, doc);
  }
  return buffer.data();
}

std::optional<std::string> WriteReportPdf(const ReportDocument& doc, const std::string& path) {
  if (auto why = NotARegularFile(path)) return CannotCreateFileText(path, *why);
  try {
    // The temporary file first: a folder that takes no file is told before the painting.
    ReplacementFile file(path);
    QByteArray bytes = ReportPdfBytes(doc);
    file.Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    file.Commit();
  } catch (const ExportFileError& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

}  // namespace movra
