// A patient's kept results over a period as the Bundle the History window and movra-cli
// write and send, and the file name they propose for it.
#pragma once
#include <string>
#include <vector>

#include "data/history_store.h"
#include "fhir/fhir_bundle.h"

namespace movra {

// Told when the patient has no result in the period: nothing is written or sent.
inline constexpr const char* kNoFhirResultsText =
    "The patient has no results in this period; nothing was written or sent.";

// How many of these results become Observations: patient results with a number. None means
// there is nothing to write or send.
int FhirObservationCount(const std::vector<HistoryEntry>& entries);

// The Bundle of the entries for their patient, with this computer's UTC offsets.
std::string HistoryBundleJson(const Patient& patient, const std::vector<HistoryEntry>& entries,
                              const FhirSoftware& software);

// "movra-fhir-PT12345678A-345-2024-03-31.json"; characters a file name cannot hold become '_'.
std::string FhirFileName(const MeterPatient& pair, TDateTime day);

}  // namespace movra
