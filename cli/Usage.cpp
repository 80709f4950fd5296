#include "cli/Usage.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>

namespace cli {

namespace {

// The word a value is shown by, unless the option names it (--junit FILE): its long name
// in capitals (--rate RATE).
std::string ValueName(const CLI::Option* option)
{
    const auto& longNames = option->get_lnames();
    std::string name = longNames.empty() ? option->get_name() : longNames.front();
    for (char& c : name)
        c = c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool TakesValues(const CLI::Option* option) { return option->get_items_expected_min() > 0; }

bool Repeats(const CLI::Option* option)
{
    return option->get_items_expected_max() >= CLI::detail::expected_max_vector_size;
}

bool Shown(const CLI::Option* option) { return !option->get_group().empty(); }

std::string Lowered(std::string text)
{
    // "Hex mask" reads on after a colon as "hex mask"; "LINE0 ..." or "SDRAM" stay.
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0]))
        && !std::isupper(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string CommandPath(const CLI::App& command)
{
    std::string path = command.get_name();
    for (const CLI::App* parent = command.get_parent(); parent; parent = parent->get_parent())
        path = parent->get_name() + " " + path;
    return path;
}

std::string CommandNames(const CLI::App& command)
{
    std::string names;
    for (const CLI::App* sub : command.get_subcommands([](const CLI::App* app) { return !app->get_group().empty(); }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    return names;
}

// What follows "WORD: " in a message of the parser's.
std::string After(const std::string& text, const std::string& marker)
{
    const std::size_t at = text.find(marker);
    return at == std::string::npos ? std::string() : text.substr(at + marker.size());
}

class THelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override
    {
        std::string out = make_usage(app, name);
        if (!app->get_description().empty())
            out += app->get_description() + "\n";
        out += List(
            "Arguments", app, [](const CLI::Option* o) { return o->get_positional(); }, true);
        out += List(
            "Options", app, [](const CLI::Option* o) { return o->nonpositional(); }, false);
        out += make_subcommands(app, CLI::AppFormatMode::Normal);
        if (!app->get_footer().empty())
            out += "\n" + app->get_footer() + "\n";
        return out;
    }

    std::string make_usage(const CLI::App* app, std::string name) const override
    {
        std::string out = "Usage: " + name;
        if (!app->get_options([](const CLI::Option* o) { return o->nonpositional() && Shown(o); }).empty())
            out += " [OPTIONS]";
        for (const CLI::Option* positional : app->get_options([](const CLI::Option* o) { return o->get_positional(); }))
            out += " " + make_option_usage(positional);
        if (!CommandNames(*app).empty())
            out += app->get_require_subcommand_min() == 0 ? " [COMMAND]" : " COMMAND";
        return out + "\n";
    }

    std::string make_subcommands(const CLI::App* app, CLI::AppFormatMode) const override
    {
        std::stringstream out;
        const auto commands = app->get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); });
        if (commands.empty())
            return {};
        out << "\nCommands:\n";
        for (const CLI::App* command : commands)
            CLI::detail::format_help(out, command->get_name(), command->get_description(), column_width_);
        return out.str();
    }

    std::string make_option_name(const CLI::Option* option, bool positional) const override
    {
        return positional ? option->get_name(true, false) : option->get_name(false, true);
    }

    std::string make_option_opts(const CLI::Option* option) const override
    {
        if (option->get_positional() || !TakesValues(option))
            return {};
        if (!option->get_option_text().empty())
            return " " + option->get_option_text();
        return " " + ValueName(option) + (Repeats(option) ? "..." : "");
    }

    std::string make_option_desc(const CLI::Option* option) const override
    {
        std::string text = option->get_description();
        // The default, unless there is none to speak of or the description tells it already.
        const std::string value = option->get_default_str();
        std::vector<std::string> notes;
        if (TakesValues(option) && !value.empty() && value != "[]" && text.find("default") == std::string::npos)
            notes.push_back("default " + value);
        for (const CLI::Option* other : option->get_excludes())
            notes.push_back("not with " + other->get_name());
        // Into the description's own parenthesis at its end, else one of their own.
        for (const std::string& note : notes)
            text = !text.empty() && text.back() == ')' ? text.substr(0, text.size() - 1) + "; " + note + ")"
                                                       : text + " (" + note + ")";
        return text;
    }

    std::string make_option_usage(const CLI::Option* option) const override
    {
        const std::string name = option->get_name(true, false) + (Repeats(option) ? "..." : "");
        return option->get_required() ? name : "[" + name + "]";
    }

private:
    template<typename Which>
    std::string List(const char* title, const CLI::App* app, Which which, bool positional) const
    {
        std::string out;
        for (const CLI::Option* option :
            app->get_options([&which](const CLI::Option* o) { return which(o) && Shown(o); }))
            out += make_option(option, positional);
        return out.empty() ? out : "\n" + std::string(title) + ":\n" + out;
    }
};

std::string RequiredMessage(const CLI::App& command, const std::string& text)
{
    if (text.rfind("A subcommand", 0) == 0 || text.rfind("Requires at least", 0) == 0)
        return "a command is missing: one of " + CommandNames(command);
    const std::string name = text.substr(0, text.rfind(" is required"));
    const CLI::Option* option = command.get_option_no_throw(name);
    if (!option || option->get_description().empty())
        return name + " is missing";
    return name + " is missing: " + Lowered(option->get_description());
}

std::string MismatchMessage(const std::string& text)
{
    static const std::regex counted(R"((.*): At (Most|least) (\d+) required but received (\d+))");
    // An option typed last, without its value.
    static const std::regex missing(R"((.*): (\d+) required \S+ missing)");
    std::smatch match;
    if (std::regex_match(text, match, missing))
        return match[1].str() + " needs " + (match[2] == "1" ? std::string("a value") : match[2].str() + " values")
            + " after it";
    if (!std::regex_match(text, match, counted))
        return text;
    const std::string bound = match[2] == "Most" ? "at most " : "at least ";
    return match[1].str() + " takes " + bound + match[3].str() + (match[3] == "1" ? " value" : " values") + ", not "
        + match[4].str();
}

} // namespace

std::shared_ptr<CLI::FormatterBase> MakeHelpFormatter() { return std::make_shared<THelpFormatter>(); }

std::string UsageLine(const CLI::App& command)
{
    std::string line = THelpFormatter().make_usage(&command, CommandPath(command));
    line.pop_back();
    return line;
}

bool NothingTyped(const CLI::App& app)
{
    if (!app.get_subcommands().empty())
        return false;
    const auto given = app.get_options([](const CLI::Option* option) { return option->count() > 0; });
    return given.empty();
}

const CLI::App& CommandReached(const CLI::App& app)
{
    const CLI::App* level = &app;
    while (!level->get_subcommands().empty())
        level = level->get_subcommands().back();
    return *level;
}

std::string UsageErrorText(const CLI::App& command, const std::string& message)
{
    return "vx5h: " + message + "\n" + UsageLine(command) + "\n";
}

std::string ParseErrorMessage(const CLI::App& command, const CLI::ParseError& error)
{
    const std::string text = error.what();
    if (dynamic_cast<const CLI::RequiredError*>(&error))
        return RequiredMessage(command, text);
    if (dynamic_cast<const CLI::ExtrasError*>(&error))
        return "not expected: " + After(text, "expected: ");
    const std::size_t excludes = text.find(" excludes ");
    if (dynamic_cast<const CLI::ExcludesError*>(&error) && excludes != std::string::npos)
        return text.substr(0, excludes) + " and " + text.substr(excludes + 10) + " exclude each other";
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error))
        return MismatchMessage(text);
    const std::string converted = After(text, "Could not convert: ");
    const std::size_t equals = converted.find(" = ");
    if (dynamic_cast<const CLI::ConversionError*>(&error) && equals != std::string::npos)
        return converted.substr(0, equals) + ": '" + converted.substr(equals + 3) + "' is not a number";
    return text;
}

} // namespace cli
