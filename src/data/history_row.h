// A row of Result_History read as the list would show the same result: what the history's
// readers and the queue to the clinic's server take from the file.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "data/field_value.h"
#include "data/history_store.h"

namespace movra {

class SqlStatement;

// The columns HistoryEntryOfRow reads, in its order, for a SELECT.
extern const char* const kHistoryEntryColumns;
constexpr int kHistoryEntryColumnCount = 11;

// The current row of a statement that selects kHistoryEntryColumns first.
HistoryEntry HistoryEntryOfRow(const SqlStatement& st);

// A column's value as text ("" when empty or no text), number or whole number.
std::string TextOf(const FieldValue& v);
std::optional<double> NumberOf(const FieldValue& v);
int64_t IntegerOf(const FieldValue& v);

}  // namespace movra
