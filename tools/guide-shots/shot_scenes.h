// The scenes the guide shows. Each runs in a process of its own (the program's windows and
// data module are process-wide), so the scenes of a language run side by side.
//   download: the window with the cable found; a download with its summary; the list with
//             ticked records and both arrows; the Excel export's message.
//   faults:   Download without a cable; a download the meter breaks off.
//   report:   the report window over four months of tests; the message after its PDF is
//             saved.
#pragma once
#include <QStringList>
#include <string>

#include "shot_program.h"

namespace movra::shots {

const QStringList& SceneNames();
// The pictures a scene makes, in the order it makes them.
QStringList ScenePictures(const std::string& scene);
// Runs the scene; a ShotError says what went wrong.
void RunScene(const std::string& scene, const ShotInputs& in);

}  // namespace movra::shots
