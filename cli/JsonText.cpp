#include "cli/JsonText.h"

#include "core/Names.h"

namespace cli {

namespace {

nlohmann::json Utf8(const nlohmann::json& value)
{
    if (value.is_string())
        return names::Utf8OrEscaped(value.get_ref<const std::string&>());
    if (value.is_array()) {
        nlohmann::json items = nlohmann::json::array();
        for (const nlohmann::json& item : value)
            items.push_back(Utf8(item));
        return items;
    }
    if (value.is_object()) {
        nlohmann::json members = nlohmann::json::object();
        for (const auto& [key, member] : value.items())
            members[names::Utf8OrEscaped(key)] = Utf8(member);
        return members;
    }
    return value;
}

} // namespace

std::string JsonText(const nlohmann::json& value) { return Utf8(value).dump(); }

} // namespace cli
