// RowSet against a real encrypted file: pending changes and the batch, moving and
// editing, order and bookmarks, the read-only cursor copy, and what views are told.
#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/result_queries.h"
#include "data_fixture.h"

namespace movra::test {
namespace {

struct CountingObserver : RowSetObserver {
  int dataSet = 0, rows = 0, current = 0;
  void dataSetChanged(RowSet&) override { ++dataSet; }
  void rowChanged(RowSet&, int) override { ++rows; }
  void currentRowChanged(RowSet&) override { ++current; }
  int total() const { return dataSet + rows + current; }
};

class RowSetTest : public ResultListTest {
 protected:
  void appendRow(const std::string& sn, const std::string& record) {
    q.append();
    q.fieldByName("fPatientID").setAsInteger(0);
    q.fieldByName("fSN").setAsString(sn);
    q.fieldByName("fRecordNumber").setAsString(record);
    q.fieldByName("fChecked").setAsBoolean(true);
    q.post();
  }
  std::vector<std::string> serials() {
    std::vector<std::string> out;
    RowSetCursor c = q.clone();
    for (c.first(); !c.eof(); c.next()) out.push_back(c.fieldByName("fSN").asString());
    return out;
  }
};

TEST_F(RowSetTest, PostedRowsWaitForTheBatchAndThenCarryTheirKeys) {
  q.open();
  appendRow("S1", "1");
  appendRow("S1", "2");
  appendRow("S0", "3");
  EXPECT_EQ(q.recordCount(), 3);
  EXPECT_EQ(q.pendingCount(), 3);
  EXPECT_EQ(raw->count("Result_Log"), 0);
  EXPECT_TRUE(q.fieldAt(0, "fID").isNull());

  q.updateBatch();
  EXPECT_EQ(q.pendingCount(), 0);
  EXPECT_EQ(raw->count("Result_Log"), 3);
  // Keys in the order the rows were appended.
  EXPECT_EQ(q.fieldAt(0, "fID").asInteger(), 1);
  EXPECT_EQ(q.fieldAt(2, "fID").asInteger(), 3);
  EXPECT_EQ(raw->scalar("SELECT fSN || '/' || fRecordNumber || '/' || fChecked || '/' || typeof(fPatientID) FROM "
                        "Result_Log WHERE fID = 3"),
            FieldValue(std::string("S0/3/1/integer")));
  // A column not written keeps the database's value for a new row.
  EXPECT_EQ(raw->scalar("SELECT fDeleted FROM Result_Log WHERE fID = 1"), FieldValue(int64_t{0}));

  // An edit of a written row is pending in its turn, then written by the next batch.
  q.moveTo(1);
  q.edit();
  q.fieldByName("fChecked").setAsBoolean(false);
  q.post();
  EXPECT_EQ(q.pendingCount(), 1);
  EXPECT_EQ(raw->scalar("SELECT fChecked FROM Result_Log WHERE fID = 2"), FieldValue(int64_t{1}));
  q.updateBatch();
  EXPECT_EQ(raw->scalar("SELECT fChecked FROM Result_Log WHERE fID = 2"), FieldValue(int64_t{0}));
}

TEST_F(RowSetTest, ABatchThatFailsWritesNothingAndKeepsEverythingPending) {
  raw->exec("INSERT INTO Result_Log (fPatientID, fSN, fChecked) VALUES (0, 'OLD', 1)");
  q.open();
  q.edit();
  q.fieldByName("fChecked").setAsBoolean(false);
  q.post();
  appendRow("NEW", "1");
  appendRow("NEW", "2");
  raw->exec("DELETE FROM Result_Log");  // someone else removed the edited row

  try {
    q.updateBatch();
    FAIL() << "the batch went through";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("Row cannot be located for updating"), std::string::npos) << e.what();
  }
  EXPECT_EQ(raw->count("Result_Log"), 0);  // the two new rows are not there either
  EXPECT_EQ(q.pendingCount(), 3);
  EXPECT_TRUE(q.fieldAt(1, "fID").isNull());
}

TEST_F(RowSetTest, ABatchBlockedByAnotherWriterCanBeRetried) {
  q.open();
  appendRow("S1", "1");
  raw->exec("BEGIN IMMEDIATE");
  EXPECT_THROW(q.updateBatch(), DbError);
  EXPECT_EQ(q.pendingCount(), 1);
  raw->exec("ROLLBACK");
  q.updateBatch();
  EXPECT_EQ(raw->count("Result_Log"), 1);
}

TEST_F(RowSetTest, MovingPostsAnEditAndDropsAnUntouchedNewRow) {
  q.open();
  appendRow("A", "1");
  appendRow("B", "2");
  q.first();
  q.edit();
  q.fieldByName("fSN").setAsString("A2");
  q.next();  // posts
  EXPECT_EQ(q.state(), RowSetState::Browse);
  EXPECT_EQ(q.fieldAt(0, "fSN").asString(), "A2");

  q.append();
  EXPECT_EQ(q.recordCount(), 3);
  q.first();  // nothing was set: the new row goes away
  EXPECT_EQ(q.recordCount(), 2);

  q.append();
  q.fieldByName("fSN").setAsString("C");
  q.cancel();
  EXPECT_EQ(q.recordCount(), 2);
  EXPECT_EQ(q.pendingCount(), 2);
}

TEST_F(RowSetTest, WalkingEndsOnTheLastRow) {
  q.open();
  EXPECT_TRUE(q.eof());
  appendRow("A", "1");
  appendRow("B", "2");
  int seen = 0;
  for (q.first(); !q.eof(); q.next()) ++seen;
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(q.recNo(), 1);
  EXPECT_EQ(q.fieldByName("fSN").asString(), "B");
}

TEST_F(RowSetTest, FieldsByNameInAnyCaseAndTheirConversions) {
  q.open();
  q.append();
  q.fieldByName("FINR_V").setAsString("2.5");
  q.fieldByName("fdate").setAsDateTime(*EncodeDate(2024, 3, 15) + *EncodeTime(14, 5, 9, 0));
  q.fieldByName("fProviderID").setAsFloat(12.5);  // rounds half to even
  EXPECT_EQ(q.fieldByName("fInr_v").asFloat(), 2.5);
  EXPECT_EQ(q.fieldByName("fINR_v").asString(), "2.5");
  EXPECT_EQ(q.fieldByName("fDate").asString(), "03/15/2024 14:05:09");
  EXPECT_EQ(q.fieldByName("fProviderID").asInteger(), 12);
  EXPECT_EQ(q.fieldByName("fChecked").asString(), "");
  EXPECT_FALSE(q.fieldByName("fChecked").asBoolean());
  EXPECT_THROW(q.fieldByName("fPatientID").setAsString("abc"), DbError);
  EXPECT_THROW(q.fieldByName("fPatientID").setAsInteger(int64_t{1} << 31), DbError);
  EXPECT_THROW(q.fieldByName("fID").setAsInteger(5), DbError);
  EXPECT_THROW(q.fieldByName("fPT_Cal").setAsFloat(5), DbError);
  try {
    q.fieldByName("fNoSuch");
    FAIL();
  } catch (const DbError& e) {
    EXPECT_STREQ(e.what(), "qryCheckDataEntry: Field 'fNoSuch' not found");
  }
}

TEST_F(RowSetTest, ATextTooLongForItsColumnIsRefusedAtPost) {
  q.open();
  q.append();
  q.fieldByName("fSN").setAsString(std::string(31, 'x'));
  EXPECT_THROW(q.post(), DbError);
  EXPECT_EQ(q.state(), RowSetState::Insert);
  q.fieldByName("fSN").setAsString(std::string(30, 'x'));
  // Characters count, not bytes: two arrows are two characters of an AM/PM column.
  q.fieldByName("fAMPM").setAsString("\u2191\u2193");
  EXPECT_NO_THROW(q.post());
  EXPECT_NO_THROW(q.updateBatch());
}

TEST_F(RowSetTest, SortKeepsTheCurrentRowAndBookmarks) {
  q.open();
  appendRow("b", "1");
  appendRow("A", "2");
  appendRow("c", "3");
  q.moveTo(0);  // "b"
  RowSet::Bookmark b = q.bookmark();
  q.setSort("fSN");
  EXPECT_EQ(serials(), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(q.fieldByName("fSN").asString(), "b");
  q.last();
  q.gotoBookmark(b);
  EXPECT_EQ(q.fieldByName("fSN").asString(), "b");
  q.setSort("fSN DESC");
  EXPECT_EQ(serials(), (std::vector<std::string>{"c", "b", "A"}));
  EXPECT_THROW(q.setSort("fNoSuch"), DbError);
  EXPECT_EQ(q.sort(), "fSN DESC");

  // A re-query sorts the new rows the same way.
  q.updateBatch();
  raw->exec("UPDATE Result_Log SET fPatientID = 0");
  q.requery();
  EXPECT_EQ(serials(), (std::vector<std::string>{"c", "b", "A"}));
  EXPECT_FALSE(q.bookmarkValid(b));
  EXPECT_THROW(q.gotoBookmark(b), DbError);
}

TEST_F(RowSetTest, ACursorCopyWalksWithoutMovingOrTellingViews) {
  q.open();
  appendRow("A", "1");
  appendRow("B", "2");
  appendRow("C", "3");
  q.moveTo(1);
  q.edit();
  q.fieldByName("fChecked").setAsBoolean(false);
  q.post();
  CountingObserver views;
  q.addObserver(&views);

  int ticked = 0;
  RowSetCursor c = q.clone();
  for (c.first(); !c.eof(); c.next())
    if (c.fieldByName("fVisCheck").asBoolean()) ++ticked;
  EXPECT_EQ(ticked, 2);
  EXPECT_EQ(c.recordCount(), 3);
  EXPECT_EQ(q.recNo(), 1);
  EXPECT_EQ(views.total(), 0);
  q.removeObserver(&views);
}

TEST_F(RowSetTest, DisabledControlsAreToldOnceWhenEnabledAgain) {
  q.open();
  CountingObserver views;
  q.addObserver(&views);
  appendRow("A", "1");
  EXPECT_GT(views.total(), 0);

  views = CountingObserver{};
  q.disableControls();
  q.disableControls();
  for (int i = 0; i < 5; ++i) appendRow("B", std::to_string(i));
  q.first();
  q.setSort("fSN");
  q.updateBatch();
  q.enableControls();
  EXPECT_EQ(views.total(), 0);
  q.enableControls();
  EXPECT_EQ(views.dataSet, 1);
  EXPECT_EQ(views.total(), 1);
  q.removeObserver(&views);
}

TEST_F(RowSetTest, RequeryReplacesTheRowsPendingOnesIncluded) {
  raw->exec("INSERT INTO Result_Log (fPatientID, fSN) VALUES (0, 'IN DB')");
  q.open();
  appendRow("PENDING", "1");
  EXPECT_EQ(q.recordCount(), 2);
  q.requery();
  EXPECT_EQ(q.recordCount(), 1);
  EXPECT_EQ(q.pendingCount(), 0);
  EXPECT_EQ(q.fieldByName("fSN").asString(), "IN DB");
}

TEST_F(RowSetTest, ClosingTheConnectionClosesItsRowSets) {
  q.open();
  conn.close();
  EXPECT_FALSE(q.active());
  EXPECT_THROW(q.first(), DbError);
}

}  // namespace
}  // namespace movra::test
