#include "ui/fhir_post_task.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <thread>
#include <utility>

namespace movra {

void PostFhirBundleInBackground(QObject* context, FhirPostRequest request,
                                std::function<void(const FhirSendOutcome&)> done) {
  QPointer<QObject> alive(context);
  std::thread([alive, request = std::move(request), done = std::move(done)]() mutable {
    FhirSendOutcome outcome = PostFhirBundle(request);
    // The application outlives every window; `alive` is read on the GUI thread only.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [alive, outcome = std::move(outcome), done = std::move(done)] {
          if (alive) done(outcome);
        },
        Qt::QueuedConnection);
  }).detach();
}

}  // namespace movra
