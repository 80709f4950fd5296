#include "Arguments.h"

#include "core/TraceText.h"

#include <cstring>

namespace py = pybind11;

namespace pyvx5h {

std::string Quoted(std::string_view text) { return "'" + trace::PrintableText(text) + "'"; }

} // namespace pyvx5h

namespace pybind11::detail {

bool type_caster<pyvx5h::TInteger>::load(handle source, bool)
{
    if (!source || PyFloat_Check(source.ptr()) || !PyIndex_Check(source.ptr()))
        return false;
    const auto number = reinterpret_steal<object>(PyNumber_Index(source.ptr()));
    if (!number) {
        PyErr_Clear();
        return false;
    }
    int overflow = 0;
    value.value = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow != 0)
        throw value_error(str(number).cast<std::string>() + " lies beyond 64 bits, outside every range of the board");
    return true;
}

bool type_caster<std::filesystem::path>::load(handle source, bool)
{
    const auto name = reinterpret_steal<object>(PyOS_FSPath(source.ptr()));
    if (!name) {
        PyErr_Clear();
        return false;
    }
    // A str is encoded as the system names files: the bytes of a name that is not UTF-8
    // come back as Python took them (surrogateescape). A lone surrogate of any other kind
    // is a UnicodeEncodeError, a ValueError.
    const auto bytes = PyUnicode_Check(name.ptr()) ? reinterpret_steal<object>(PyUnicode_EncodeFSDefault(name.ptr()))
                                                   : name;
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (!bytes || PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0)
        throw error_already_set();
    if (std::memchr(data, '\0', static_cast<std::size_t>(size)))
        throw value_error(repr(name).cast<std::string>() + " holds a NUL character, which no file name holds");
    value = std::filesystem::path(std::string(data, static_cast<std::size_t>(size)));
    return true;
}

handle type_caster<std::filesystem::path>::cast(const std::filesystem::path& path, return_value_policy, handle)
{
    const std::string& native = path.native();
    return PyUnicode_DecodeFSDefaultAndSize(native.data(), static_cast<Py_ssize_t>(native.size()));
}

} // namespace pybind11::detail
