// vx5h.Memory: a memory of the board as a sequence of bytes.
#include "Bindings.h"
#include "Memory.h"

#include "core/MemoryGeometry.h"

#include <pybind11/stl.h>

#include <climits>

namespace py = pybind11;

namespace pyvx5h {

namespace {

constexpr const char* MEMORY_DOC
    = "One of the board's memories as a sequence of bytes, from offset 0 to `size`.\n\n"
      "mem[a:b] reads bytes and mem[a:b] = data writes them, in Python's own terms (negative offsets count from the "
      "end, a slice past the end stops there, an empty slice reads nothing); mem[i] is one byte. A write keeps the "
      "memory's size: the data must be as long as the slice. read(), write(), dump(), load(), verify() and erase() "
      "take an optional `progress` callable, told (done, total) as the work advances; Ctrl-C stops them at the next "
      "packet, raising KeyboardInterrupt, and the board stays usable.\n\n"
      "Offsets are bytes. The memory page and vx5h count 16-bit words, low byte first: word address a (as the "
      "window shows it, in hex) is offset 2*a (its low byte) and 2*a + 1 (its high byte); offset o lies in word "
      "o // 2.\n\n"
      "FLASH and EPCS are NOR flash: erased bytes read 0xFF and programming only clears bits, so write() and load() "
      "read them back and raise RefusedError when the memory does not hold what was written (erase() first).";

// An integer as Python takes one (int, numpy's integers, anything with __index__); values
// beyond 64 bits come out as the nearest end, for the range check to refuse.
long long IntegerOf(const py::handle value)
{
    const auto number = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!number)
        throw py::error_already_set();
    int overflow = 0;
    const long long result = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    return overflow > 0 ? LLONG_MAX : overflow < 0 ? LLONG_MIN : result;
}

std::uint32_t ByteIndex(const TMemory& memory, const py::handle key)
{
    const Py_ssize_t raw = PyNumber_AsSsize_t(key.ptr(), PyExc_IndexError);
    if (raw == -1 && PyErr_Occurred())
        throw py::error_already_set();
    const long long index = raw < 0 ? raw + static_cast<long long>(memory.size) : raw;
    if (index < 0 || index >= memory.size)
        throw py::index_error("memory index out of range");
    return static_cast<std::uint32_t>(index);
}

// The range of a slice with step 1, or nothing when `key` is an index.
std::optional<TRange> SliceRange(const TMemory& memory, const py::handle key)
{
    if (!PySlice_Check(key.ptr())) {
        if (!PyIndex_Check(key.ptr()))
            throw py::type_error(
                std::string("memory indices must be integers or slices, not ") + Py_TYPE(key.ptr())->tp_name);
        return std::nullopt;
    }
    Py_ssize_t start = 0, stop = 0, step = 0;
    if (PySlice_Unpack(key.ptr(), &start, &stop, &step) < 0)
        throw py::error_already_set();
    const Py_ssize_t length = PySlice_AdjustIndices(static_cast<Py_ssize_t>(memory.size), &start, &stop, step);
    if (step != 1)
        throw py::value_error("a memory is sliced with step 1 only");
    return TRange{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length)};
}

py::bytes Read(TMemory& memory, const TRange& range, const py::object& progress)
{
    auto bytes = py::reinterpret_steal<py::bytes>(PyBytes_FromStringAndSize(nullptr, range.length));
    if (!bytes)
        throw py::error_already_set();
    // Nobody else sees the new bytes object until it is returned.
    ReadInto(memory, range, reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.ptr())), progress);
    return bytes;
}

void Write(TMemory& memory, TInteger offset, const py::handle data, const py::object& progress)
{
    const TInputBytes bytes(data);
    WriteFrom(memory, RangeOf(memory, offset, static_cast<long long>(bytes.Size())), bytes.Data(), progress);
}

py::object GetItem(TMemory& memory, const py::handle key)
{
    if (const auto range = SliceRange(memory, key))
        return Read(memory, *range, py::none());
    const py::bytes one = Read(memory, {ByteIndex(memory, key), 1}, py::none());
    return py::int_(static_cast<unsigned char>(PyBytes_AS_STRING(one.ptr())[0]));
}

void SetItem(TMemory& memory, const py::handle key, const py::handle value)
{
    if (const auto range = SliceRange(memory, key)) {
        const TInputBytes bytes(value);
        if (bytes.Size() != range->length)
            throw py::value_error("a memory keeps its size: " + std::to_string(bytes.Size())
                + " bytes cannot replace a slice of " + std::to_string(range->length));
        WriteFrom(memory, *range, bytes.Data(), py::none());
        return;
    }
    const std::uint32_t index = ByteIndex(memory, key);
    const std::uint8_t byte = static_cast<std::uint8_t>(InRange(IntegerOf(value), 0xFF, "byte"));
    WriteFrom(memory, {index, 1}, &byte, py::none());
}

TMemory MemoryNamed(const TSessionPtr& session, const py::str& text)
{
    const std::string name = TextOf(text, "name");
    const auto type = memory::FindMemoryType(name);
    if (!type)
        throw py::value_error(memory::UnknownMemoryText(name));
    return {session, *type, memory::TMemoryGeometry().SizeBytes(*type)};
}

std::vector<std::string> MemoryNames()
{
    std::vector<std::string> names;
    for (int position = 0; position < memory::MEMORY_LIST_COUNT; ++position)
        names.emplace_back(memory::MemoryTypeName(memory::MemoryTypeOfPosition(position)));
    return names;
}

} // namespace

void AddMemory(py::module_& module, py::class_<TSession, TSessionPtr>& board)
{
    module.attr("MEMORIES") = py::tuple(py::cast(MemoryNames()));
    py::class_<TMemory> memory(module, "Memory", MEMORY_DOC);
    memory.def_property_readonly("name", &TMemory::Name, "The memory's name as the memory page lists it.");
    memory.def_readonly("size", &TMemory::size, "The memory's size in bytes.");
    memory.def("__len__", [](const TMemory& self) { return self.size; });
    memory.def("__repr__", [](const TMemory& self) {
        return "<vx5h.Memory " + self.Name() + ", " + std::to_string(self.size) + " bytes>";
    });
    memory.def("__getitem__", &GetItem, py::arg("key"));
    memory.def("__setitem__", &SetItem, py::arg("key"), py::arg("value"));
    memory.def(
        "read",
        [](TMemory& self, TInteger offset, TInteger length, const py::object& progress) {
            return Read(self, RangeOf(self, offset, length), progress);
        },
        py::arg("offset"), py::arg("length"), py::arg("progress") = py::none(), "Reads `length` bytes from `offset`.");
    memory.def("write", &Write, py::arg("offset"), py::arg("data"), py::arg("progress") = py::none(),
        "Writes bytes-like data (bytes, bytearray, memoryview, a numpy array: its bytes in memory order) from "
        "`offset`.");
    AddMemoryFiles(memory);

    board.def("memory", &MemoryNamed, py::arg("name"),
        "One of the memories, by its name as the memory page lists it, in any case: SSRAM-0, SSRAM-1, SDRAM, "
        "EEPROM, EPCS, FLASH (vx5h.MEMORIES).");
}

} // namespace pyvx5h
