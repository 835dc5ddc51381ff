#pragma once

#include <functional>

// One turn of the echo engine's own event handling (its socket read, its
// time-outs). What must wait until the engine's calls have returned, the
// hand-over of finished echoes, is done at the end of the outermost turn
// rather than posted to the event loop, which would wake it once more for
// every batch of answers.
namespace EngineTurn {

void run(const std::function<void()>& engineWork);
bool inTurn();
// What every turn ends with; set once by the echo workers.
void setEnd(void (*end)());

}
