// A FHIR send off the window's thread: the post may wait a minute for a slow server, and the
// window must stay usable meanwhile.
#pragma once
#include <functional>

#include "fhir/fhir_sender.h"

class QObject;

namespace movra {

// Posts on a thread of its own and calls `done` on the GUI thread with the outcome, unless
// `context` has been destroyed by then (the outcome is dropped).
void PostFhirBundleInBackground(QObject* context, FhirPostRequest request,
                                std::function<void(const FhirSendOutcome&)> done);

}  // namespace movra
