#include "core/SwitchState.h"

namespace switches {

std::string InputName(int bit)
{
    return IsKey(bit) ? "KEY" + std::to_string(bit) : "SW" + std::to_string(bit - KEY_COUNT);
}

} // namespace switches
