// The report as a PDF: written whole, its text (as pdftotext reads it) holding the
// heading, the figures, both tables and the foot; the paper of the locale; a target that
// cannot be written is told and leaves no file.
#include <gtest/gtest.h>

#include <QDate>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/language.h"
#include "report/report_rows.h"
#include "report_print/inr_chart.h"
#include "report_print/offscreen_gui.h"
#include "report_print/report_pdf.h"
#include "report_print/report_texts.h"
#include "report_rows.h"
#include "temp_dir.h"

namespace movra::test {
namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { gui_ = std::make_unique<OffscreenGui>(); }
  void TearDown() override { gui_.reset(); }

 private:
  std::unique_ptr<OffscreenGui> gui_;
};
::testing::Environment* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

// Reading a PDF's text back needs poppler's pdftotext, which only the Linux build has;
// the Windows build checks that the file is written whole.
#ifdef _WIN32
#define SKIP_WITHOUT_PDFTOTEXT() GTEST_SKIP() << "pdftotext reads PDFs on Linux only"
#else
#define SKIP_WITHOUT_PDFTOTEXT() (void)0
#endif

// The text of a PDF file, pages apart by form feeds.
std::string PdfText(const std::string& pdf) {
  std::string text;
  std::string command = "pdftotext -layout '" + pdf + "' - 2>&1";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return "";
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  pclose(p);
  return text;
}

ReportDocument Document(int results) {
  std::vector<RowSpec> specs = {{0, 1.8}, {10, 2.8}, {5, 2.6, "EC"}, {6, 1.1, "Downloaded CS"}};
  for (int i = 0; i < results - 2; ++i) specs.push_back({11 + i, 2.0 + (i % 12) / 10.0});
  std::vector<ReportGroup> groups = GroupReportRows(MakeRows(specs));
  ReportDocument doc;
  doc.programName = "Movra Management Software";
  doc.group = groups.at(0);
  doc.range = TargetRange{20, 30};
  doc.printedAt = *EncodeDate(2024, 3, 20) + *EncodeTime(10, 30, 0, 0);
  return doc;
}

TEST(ReportPdf, HoldsTheHeadingFiguresTablesAndFoot) {
  TempDir dir;
  const std::string file = dir.file("report.pdf");
  ASSERT_EQ(WriteReportPdf(Document(2), file), std::nullopt);
  std::string bytes = ReadFileBytes(file);
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  SKIP_WITHOUT_PDFTOTEXT();
  std::string text = PdfText(file);
  // 18 on day 0, 28 on day 10 (2024-03-01, 2024-03-11): 9 of 11 days in, 2 below.
  for (const char* part : {"Movra Management Software", "INR Report", "SN1", "2024-03-01 \xE2\x80\x93 2024-03-11",
                           "2.0 \xE2\x80\x93 3.0", "81.8 %", "(9 of 11 days)", "18.2 %", "0.0 %", "50.0 %",
                           "(1 of 2 tests)", "2.30", "Results", "Control results", "Downloaded CS", "Below",
                           "In range", "Printed: 2024-03-20 10:30", "Page 1 of 1"})
    EXPECT_NE(text.find(part), std::string::npos) << "missing [" << part << "] in\n" << text;
}

TEST(ReportPdf, HoldsThePatientTheVariabilityAndTheMarkers) {
  // 1.4, 2.5, INR ↓, INR ↑ a week apart from 2024-03-01 (as in the window's test): VGR
  // (1.21 + 3.24 + 39.69) / 3 = 14.71, 7.0 days between tests; TTR 6 of 22 days, two below
  // 1.5 and one above the measuring range, over 2023-09-22 to 2024-03-22.
  ReportDocument doc = Document(2);
  doc.group = GroupReportRows(MakeRows({{0, 1.4}, {7, 2.5}, {14, kBelowRange}, {21, kAboveRange}})).at(0);
  doc.group.patient = {"Erika Mustermann", *EncodeDate(1950, 4, 2)};
  TempDir dir;
  const std::string file = dir.file("patient.pdf");
  ASSERT_EQ(WriteReportPdf(doc, file), std::nullopt);
  SKIP_WITHOUT_PDFTOTEXT();
  std::string text = PdfText(file);
  for (const char* part : {"Name:", "Erika Mustermann", "Born:", "1950-04-02", "INR variability (VGR, INR\xC2\xB2/week)",
                           "14.71", "Mean days between tests", "7.0",
                           "Markers of poor control, 2023-09-22 \xE2\x80\x93 2024-03-22", "TTR below 65 %",
                           "Two results below 1.5", "A result above the measuring range"})
    EXPECT_NE(text.find(part), std::string::npos) << "missing [" << part << "] in\n" << text;
  // Without a name and markers: no such lines, and the markers say "None".
  ASSERT_EQ(WriteReportPdf(Document(2), file), std::nullopt);
  text = PdfText(file);
  EXPECT_EQ(text.find("Name:"), std::string::npos) << text;
  EXPECT_EQ(text.find("Born:"), std::string::npos) << text;
  EXPECT_NE(text.find("None"), std::string::npos) << text;
}

TEST(ReportPdf, ContinuesALongTableOnMorePages) {
  TempDir dir;
  const std::string file = dir.file("long.pdf");
  ASSERT_EQ(WriteReportPdf(Document(200), file), std::nullopt);
  EXPECT_EQ(ReadFileBytes(file).substr(0, 5), "%PDF-");
  SKIP_WITHOUT_PDFTOTEXT();
  std::string text = PdfText(file);
  EXPECT_NE(text.find("Page 1 of "), std::string::npos);
  EXPECT_NE(text.find("Page 4 of "), std::string::npos) << text.substr(0, 2000);
  // The last result (day 11 + 197 = 208) is in the table.
  EXPECT_NE(text.find("2024-09-25"), std::string::npos);
}

TEST(ReportPdf, AFolderThatTakesNoFileIsToldAndLeavesNothing) {
  TempDir dir;
  const std::string file = dir.file("no/such/folder/report.pdf");
  std::optional<std::string> error = WriteReportPdf(Document(2), file);
  ASSERT_TRUE(error);
  EXPECT_NE(error->find("Cannot create file"), std::string::npos) << *error;
  EXPECT_FALSE(std::filesystem::exists(file));
  // A folder where the file would go is no file to replace.
  dir.mkdirs("taken.pdf");
  error = WriteReportPdf(Document(2), dir.file("taken.pdf"));
  ASSERT_TRUE(error);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.pdf")));
}

TEST(ReportPdf, WithoutAnInterpolatedDayNoTtrAndTextsInTheInterfaceLanguage) {
  // One patient test and a control in German: TTR and the day shares are "-" with the
  // reason below the figures, the other figures stay, the sample types are translated.
  TempDir exe;
  exe.write("1031/MovraT.txt", ReadFileBytes(SourceDir() + "/install/lang/1031/MovraT.txt"));
  ScanLanguages(exe.path());
  ReportDocument doc = Document(2);
  doc.group = GroupReportRows(MakeRows({{0, 2.5}, {1, 1.1, "Downloaded CS"}})).at(0);
  TempDir dir;
  const std::string file = dir.file("one.pdf");
  std::optional<std::string> error = WriteReportPdf(doc, file);
  ResetLanguages();
  ASSERT_EQ(error, std::nullopt);
  SKIP_WITHOUT_PDFTOTEXT();
  std::string text = PdfText(file);
  for (const char* part : {"Zeit im therapeutischen Bereich (TTR): ", "Tage unter dem Bereich: ",
                           "Tage \xC3\xBC" "ber dem Bereich: "}) {
    size_t at = text.find(part);
    ASSERT_NE(at, std::string::npos) << "missing [" << part << "] in\n" << text;
    size_t value = text.find_first_not_of(' ', at + std::string(part).size());
    EXPECT_EQ(text.substr(value, 2), "-\n") << part;
  }
  for (const char* part : {"Messungen im Bereich", "100.0 %", "(1 von 1 Messungen)", "2.50",
                           "zwei Messungen n\xC3\xB6tig", "56 Tage", "Probe (heruntergeladen)", "Kontrollstreifen (CS, heruntergeladen)"})
    EXPECT_NE(text.find(part), std::string::npos) << "missing [" << part << "] in\n" << text;
  EXPECT_EQ(text.find("Downloaded"), std::string::npos) << text;
}

TEST(ReportDates, TheDesktopsShortDateWithAFourDigitYear) {
  const std::pair<const char*, const char*> cases[] = {
      {"de_DE", "03.01.2024"}, {"zh_CN", "2024/01/03"}, {"en_US", "01/03/2024"},
      {"en_GB", "03/01/2024"}, {"C", "2024-01-03"},     {"ja_JP", "2024/01/03"},
  };
  for (const auto& [name, shown] : cases) {
    QLocale locale(name);
    EXPECT_EQ(locale.toString(QDate(2024, 1, 3), ReportDateFormat(locale)), shown) << name;
  }
}

TEST(ReportChart, DateLabelsDoNotOverlapOverManyYears) {
  // A plot 600 units wide over histories from a month to forty years: the labels, as
  // wide as the font makes them, stand apart and there are at least two.
  QFontMetricsF fm{QFont()};
  const double labelWidth = fm.horizontalAdvance(DateLabel(*EncodeDate(2024, 12, 28)));
  for (int days : {30, 365, 5 * 365, 20 * 365, 40 * 365}) {
    const double pixelsPerDay = 600.0 / days;
    const int step = ChartDateStep(pixelsPerDay, labelWidth);
    EXPECT_GE(step * pixelsPerDay, labelWidth) << days;
    EXPECT_GE(days / step + 1, 2) << days;
  }
}

TEST(ReportPaper, LetterWhereTheCountryUsesIt) {
  const std::pair<const char*, QPageSize::PageSizeId> cases[] = {
      {"en_US", QPageSize::Letter}, {"es_MX", QPageSize::Letter}, {"en_CA", QPageSize::Letter},
      {"en_GB", QPageSize::A4},     {"de_DE", QPageSize::A4},     {"zh_CN", QPageSize::A4}};
  for (const auto& [locale, paper] : cases) EXPECT_EQ(ReportPageSize(QLocale(locale)).id(), paper) << locale;
}

}  // namespace
}  // namespace movra::test
