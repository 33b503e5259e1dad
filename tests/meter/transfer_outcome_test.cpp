// How a transfer's end is judged, and the words that end a download.
#include <gtest/gtest.h>

#include "app/language.h"
#include "meter/download_summary_text.h"
#include "meter/transfer_outcome.h"
#include "temp_dir.h"

using namespace movra;

namespace {

struct EndCase {
  const char* name;
  TransferFacts facts;
  TransferEnd end;
};

TransferFacts Read(int accepted, int first, int last) {
  TransferFacts f;
  f.recordsAccepted = accepted;
  f.firstRecordNumber = first;
  f.lastRecordNumber = last;
  return f;
}
TransferFacts With(TransferFacts f, void (*change)(TransferFacts&)) {
  change(f);
  return f;
}

TEST(TransferEndTest, JudgedFromWhatTheTransferSaw) {
  const EndCase cases[] = {
      {"no meter, or a meter without records", Read(0, 0, 0), TransferEnd::AllSent},
      {"counted down to 1", Read(30, 30, 1), TransferEnd::AllSent},
      {"stopped after 12 of 30", Read(12, 30, 19), TransferEnd::RecordsMissing},
      {"one record", Read(1, 1, 1), TransferEnd::AllSent},
      // Numbering that does not count down is never taken for missing records.
      {"numbered upwards", Read(5, 1, 5), TransferEnd::AllSent},
      {"last record 0", Read(4, 12, 0), TransferEnd::AllSent},
      {"more than 255 records, the number byte wrapped", Read(300, 44, 1), TransferEnd::AllSent},
      {"CRC error", With(Read(2, 5, 4), [](TransferFacts& f) { f.rejected = RecordFrameVerdict::CrcMismatch; }),
       TransferEnd::FrameRejected},
      {"CRC error on the first record",
       With(Read(0, 0, 0), [](TransferFacts& f) { f.rejected = RecordFrameVerdict::CrcMismatch; }),
       TransferEnd::FrameRejected},
      {"frame too short", With(Read(2, 5, 4), [](TransferFacts& f) { f.rejected = RecordFrameVerdict::TooShort; }),
       TransferEnd::FrameDamaged},
      {"damaged frame left uncut", With(Read(2, 5, 4), [](TransferFacts& f) { f.uncutFrameLeft = true; }),
       TransferEnd::FrameDamaged},
      {"first frame damaged", With(Read(0, 0, 0), [](TransferFacts& f) { f.uncutFrameLeft = true; }),
       TransferEnd::FrameDamaged},
      // A pulled cable leaves half a frame behind; the hang-up is the reason.
      {"hung up mid-frame",
       With(Read(2, 5, 4), [](TransferFacts& f) { f.lineFailed = f.uncutFrameLeft = true; }), TransferEnd::LineFailed},
      {"hung up before the first record", With(Read(0, 0, 0), [](TransferFacts& f) { f.lineFailed = true; }),
       TransferEnd::LineFailed},
      {"hung up after the last record", With(Read(5, 5, 1), [](TransferFacts& f) { f.lineFailed = true; }),
       TransferEnd::AllSent},
      {"stopped by the owner", With(Read(3, 5, 3), [](TransferFacts& f) { f.stopped = f.lineFailed = true; }),
       TransferEnd::Stopped},
      {"stopped while waiting out the limit after the last record",
       With(Read(5, 5, 1), [](TransferFacts& f) { f.stopped = true; }), TransferEnd::AllSent},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyTransferEnd(c.facts), c.end) << c.name;
  for (TransferEnd e : {TransferEnd::None, TransferEnd::AllSent}) EXPECT_FALSE(IsIncomplete(e));
  for (TransferEnd e : {TransferEnd::FrameRejected, TransferEnd::FrameDamaged, TransferEnd::LineFailed,
                        TransferEnd::RecordsMissing, TransferEnd::Stopped})
    EXPECT_TRUE(IsIncomplete(e));
}

// Whether the transfer may end without waiting out the no-frame limit.
TEST(TransferEndTest, AnAnnouncedCountReachedEndsTheTransfer) {
  struct Case {
    const char* name;
    int accepted, first, last;
    bool reached;
  };
  const Case cases[] = {
      {"none yet", 0, 0, 0, false},         {"3 of 3", 3, 3, 1, true},
      {"2 of 3", 2, 3, 2, false},           {"first numbered 0 tells no count", 2, 0, 7, false},
      {"down to 1 early", 2, 4, 1, true},   {"numbered upwards, first says 1", 1, 1, 1, true},
      {"past the count", 4, 3, 9, true},
  };
  for (const auto& c : cases) EXPECT_EQ(AnnouncedCountReached(c.accepted, c.first, c.last), c.reached) << c.name;
}

TEST(DownloadOutcomeTest, AnyIncompleteTransferMakesTheDownloadIncomplete) {
  DownloadOutcome d;
  d.Add({TransferEnd::AllSent, 0});
  d.Add({TransferEnd::RecordsMissing, 12});
  d.Add({TransferEnd::AllSent, 3});
  EXPECT_TRUE(d.incomplete);
  EXPECT_EQ(d.recordsRead, 15);
}

const char kIncomplete12[] =
    "The download is incomplete: 12 records were read. The records not read are still in the meter: connect it "
    "again and press Download.";

TEST(DownloadSummaryTextTest, SecondLineOnlyWhenRecordsStayInTheMeter) {
  struct Case {
    const char* name;
    int32_t total;
    DownloadOutcome outcome;
    int32_t notSaved;
    std::string text;
    int32_t invalid = 0;
  } cases[] = {
      {"complete", 30, {false, 30}, 0, "Finished transfering. Total records: 30! "},
      {"no records at all", 0, {false, 0}, 0, "Finished transfering. Total records: 0! "},
      {"ended early", 12, {true, 12}, 0, std::string("Finished transfering. Total records: 12! \n") + kIncomplete12},
      {"ended before the first record", 0, {true, 0}, 0,
       "Finished transfering. Total records: 0! \nThe download is incomplete: 0 records were read. The records not "
       "read are still in the meter: connect it again and press Download."},
      {"complete, some not saved", 18, {false, 200}, 182,
       "Finished transfering. Total records: 18! \nThe download is incomplete: 200 records were read and 182 of them "
       "could not be saved. The records not read or not saved are still in the meter: connect it again and press "
       "Download."},
      {"ended early, some not saved", 10, {true, 12}, 2,
       "Finished transfering. Total records: 10! \nThe download is incomplete: 12 records were read and 2 of them "
       "could not be saved. The records not read or not saved are still in the meter: connect it again and press "
       "Download."},
      {"complete, some no results", 3, {false, 5}, 0,
       "Finished transfering. Total records: 3! \n2 records from the meter were not stored: their date, time or INR "
       "value is not valid. The meter still holds them; show the meter to your clinic.",
       2},
      {"ended early, some no results", 3, {true, 5}, 0,
       "Finished transfering. Total records: 3! \nThe download is incomplete: 5 records were read. The records not "
       "read are still in the meter: connect it again and press Download. 2 records from the meter were not stored: "
       "their date, time or INR value is not valid. The meter still holds them; show the meter to your clinic.",
       2},
  };
  ResetLanguages();
  for (const auto& c : cases) {
    EXPECT_EQ(DownloadSummaryText(c.total, c.outcome, c.notSaved, c.invalid), c.text) << c.name;
    EXPECT_EQ(IncompleteDownloadText(c.outcome, c.notSaved, c.invalid),
              c.text.find('\n') == std::string::npos ? "" : c.text.substr(c.text.find('\n') + 1))
        << c.name;
  }
  EXPECT_EQ(DownloadSummaryText(12, {true, 12}), std::string("Finished transfering. Total records: 12! \n") + kIncomplete12);
}

TEST(DownloadSummaryTextTest, TheNumberGoesWhereTheTranslationPutsIt) {
  test::TempDir dir;
  dir.write("1031/MovraT.txt", std::string("!LanguageID=1031\r\n") +
                                   "The download is incomplete: %1 records were read. The records not read are still "
                                   "in the meter: connect it again and press Download.=Unvollständig: %1 gelesen.\r\n");
  ScanLanguages(dir.path());
  EXPECT_EQ(DownloadSummaryText(7, {true, 7}), "Finished transfering. Total records: 7! \nUnvollständig: 7 gelesen.");
  ResetLanguages();
}

}  // namespace
