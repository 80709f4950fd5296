#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Whether something accepts a TCP connection on `host`:`port` within `budgetMs` (the
// connection is closed at once). Looking the name up waits as long as the system's
// resolver is set to, before the budget starts.
bool TcpAnswers(const std::string& host, std::uint16_t port, std::uint32_t budgetMs);

} // namespace platform
