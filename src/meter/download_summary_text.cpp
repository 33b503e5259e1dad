#include "meter/download_summary_text.h"

#include "app/language.h"

namespace movra {

namespace {

// The translation keeps the numbers' places as %1 and %2.
std::string Fill(std::string text, const std::string& marker, const std::string& value) {
  for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + value.size()))
    text.replace(at, marker.size(), value);
  return text;
}

std::string IncompleteText(const DownloadOutcome& outcome, int32_t notSaved) {
  std::string read = std::to_string(outcome.recordsRead);
  if (notSaved > 0) {
    std::string text = TranslateText(
        "The download is incomplete: %1 records were read and %2 of them could not be saved. The records not "
        "read or not saved are still in the meter: connect it again and press Download.");
    return Fill(Fill(text, "%1", read), "%2", std::to_string(notSaved));
  }
  if (!outcome.incomplete) return std::string();
  return Fill(TranslateText("The download is incomplete: %1 records were read. The records not read are still in "
                            "the meter: connect it again and press Download."),
              "%1", read);
}

}  // namespace

std::string InvalidRecordsText(int32_t invalid) {
  if (invalid <= 0) return std::string();
  return Fill(TranslateText("%1 records from the meter were not stored: their date, time or INR value is not valid. "
                            "The meter still holds them; show the meter to your clinic."),
              "%1", std::to_string(invalid));
}

std::string IncompleteDownloadText(const DownloadOutcome& outcome, int32_t notSaved, int32_t invalid) {
  std::string text = IncompleteText(outcome, notSaved);
  const std::string refused = InvalidRecordsText(invalid);
  if (refused.empty()) return text;
  return text.empty() ? refused : text + " " + refused;
}

std::string DownloadSummaryText(int32_t total, const DownloadOutcome& outcome, int32_t notSaved, int32_t invalid) {
  std::string text = "Finished transfering. Total records: " + std::to_string(total) + "! ";
  std::string second = IncompleteDownloadText(outcome, notSaved, invalid);
  if (!second.empty()) text += "\n" + second;
  return text;
}

}  // namespace movra
