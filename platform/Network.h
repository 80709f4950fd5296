#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Whether something accepts a TCP connection on `host`:`port` within `budgetMs` (the
// connection is closed at once). Looking the name up counts within the budget: a
// resolver that takes longer makes the answer no.
bool TcpAnswers(const std::string& host, std::uint16_t port, std::uint32_t budgetMs);

} // namespace platform
