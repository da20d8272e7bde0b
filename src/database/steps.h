// Running the steps of a command that goes on with the next step after a failure.
#pragma once

#include "database/record_source.h"

#include <functional>
#include <vector>

namespace database {

using Step = std::function<RunTimeStatus()>;

// What a command's error path decides for a failed step.
enum class AfterError { Next, Retry };

// Runs `steps` in order. A failing step is handed to `onError`; Retry performs it again, but
// at most kRetryBound times, after which the step counts as done.
void runSteps(const std::vector<Step> &steps,
              const std::function<AfterError(const RunTimeError &)> &onError);

} // namespace database
