// The one instance of the program-wide values.
#include "database/program_state.h"

namespace database {

ProgramState &program()
{
    static ProgramState state;
    return state;
}

} // namespace database
