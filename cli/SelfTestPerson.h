#pragma once

#include "core/selftest/SelfTest.h"

#include <functional>

// The person at the terminal for the interactive tests: told on standard error, answering
// with one key. Present only when both standard input and standard error are a terminal,
// so that a script is never waited for.
namespace cli {

class TTerminalPerson : public selftest::IOperator {
public:
    // `clearLine` removes the progress line before a message.
    explicit TTerminalPerson(std::function<void()> clearLine);

    bool Present() const override { return m_Present; }
    void Tell(const std::string& text) override;
    std::optional<bool> Ask(const std::string& question, std::uint32_t budgetMs) override;
    void Pause(std::uint32_t ms) override;

private:
    bool m_Present;
    std::function<void()> m_ClearLine;
};

} // namespace cli
