#pragma once

#include "EventDelivery.h"

namespace lw {

// The run-and-wait function that joins a search worker to the user-interface thread: the
// work is queued to the application object and the worker blocks until it has run. Called on
// the user-interface thread itself it runs the work at once (a blocking queued call to one's
// own thread would never return).
TRunAndWait UiRunAndWait();

}  // namespace lw
