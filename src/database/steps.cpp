// The step runner of the commands that go on after a failure.
#include "database/steps.h"

#include "database/program_state.h"

namespace database {

void runSteps(const std::vector<Step> &steps,
              const std::function<AfterError(const RunTimeError &)> &onError)
{
    for (const Step &step : steps) {
        for (int attempt = 0;; ++attempt) {
            const RunTimeStatus failure = step();
            if (!failure || onError(*failure) == AfterError::Next || attempt >= kRetryBound)
                break;
        }
    }
}

} // namespace database
