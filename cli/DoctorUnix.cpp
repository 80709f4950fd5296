// The Unix systems' checks are the ones DoctorCommand.cpp makes itself.
#include "cli/DoctorSystem.h"

namespace doctor {

bool SystemChecks(const std::function<void(const TCheck&)>&) { return false; }

} // namespace doctor
