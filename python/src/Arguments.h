#pragma once

#include <pybind11/pybind11.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// How the module reads the arguments that pybind11 would refuse with a TypeError for a
// value rather than a type: an integer of any size (beyond 64 bits it lies outside every
// range the board has: ValueError), and a file's name (str, bytes or os.PathLike; a name
// that is not UTF-8 is the system's bytes, one with a NUL is no name: ValueError).
namespace pyvx5h {

struct TInteger {
    long long value = 0;
    operator long long() const { return value; }
};

inline std::optional<long long> Plain(const std::optional<TInteger>& number)
{
    return number ? std::optional<long long>(number->value) : std::nullopt;
}

// `text` as a message quotes something the user gave: in single quotes, with what would
// act on a terminal (escape sequences, line breaks) or is no UTF-8 escaped, as vx5h shows
// a transcript's texts.
std::string Quoted(std::string_view text);

} // namespace pyvx5h

namespace pybind11::detail {

template<> struct type_caster<pyvx5h::TInteger> {
    PYBIND11_TYPE_CASTER(pyvx5h::TInteger, const_name("int"));
    bool load(handle source, bool convert);
    static handle cast(pyvx5h::TInteger number, return_value_policy, handle)
    {
        return PyLong_FromLongLong(number.value);
    }
};

// In place of pybind11/stl/filesystem.h, which no file of the module includes.
template<> struct type_caster<std::filesystem::path> {
    PYBIND11_TYPE_CASTER(std::filesystem::path, const_name("os.PathLike"));
    bool load(handle source, bool convert);
    static handle cast(const std::filesystem::path& path, return_value_policy, handle);
};

} // namespace pybind11::detail
