// board.selftest(): the board's acceptance test, as `vx5h selftest` runs it.
#include "Bindings.h"
#include "Progress.h"

#include "core/ConnectSequence.h"
#include "core/FileAccess.h"
#include "core/selftest/Report.h"
#include "core/selftest/SelfTest.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>

namespace py = pybind11;

namespace pyvx5h {

namespace {

py::handle g_TestResult;

// Test or group names: a list of them, or one text with commas as vx5h takes them.
std::vector<std::string> NamesOf(const py::object& names, const char* argument)
{
    std::vector<std::string> list;
    if (names.is_none())
        return list;
    if (py::isinstance<py::str>(names)) {
        const std::string text = TextOf(names, argument);
        for (std::size_t start = 0, comma; start <= text.size(); start = comma + 1) {
            comma = std::min(text.find(',', start), text.size());
            if (comma > start)
                list.push_back(text.substr(start, comma - start));
        }
        return list;
    }
    if (!py::isinstance<py::sequence>(names))
        throw py::type_error(std::string(argument) + " must be test or group names: a list of str, or one str");
    for (const py::handle name : names) {
        if (!py::isinstance<py::str>(name))
            throw py::type_error(std::string(argument) + " must be test or group names: a list of str, or one str");
        list.push_back(TextOf(name, argument));
    }
    return list;
}

bool LinkLost(const selftest::TReport& report)
{
    return std::any_of(report.tests.begin(), report.tests.end(),
        [](const selftest::TTestResult& test) { return test.message.rfind("link lost", 0) == 0; });
}

void WriteJunit(const selftest::TReport& report, const std::filesystem::path& path)
{
    const std::string text = selftest::JunitReport(report);
    const TGilRelease release;
    memory::TFilePtr file(memory::OpenFile(path, "wb"));
    bool written = file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    const int error = errno;
    written = file && std::fclose(file.release()) == 0 && written;
    if (!written)
        throw TFileError("writing " + path.string() + " failed: " + memory::SystemReason(error));
}

py::list Tests(const selftest::TReport& report)
{
    py::list tests;
    for (const selftest::TTestResult& test : report.tests)
        tests.append(g_TestResult(test.name, selftest::OutcomeName(test.outcome), test.message, test.seconds,
            py::tuple(py::cast(test.details))));
    return tests;
}

selftest::TReport Run(
    const TSessionPtr& session, const py::object& only, const py::object& skip, bool destructive, bool full)
{
    selftest::TOptions options;
    options.only = NamesOf(only, "only");
    options.skip = NamesOf(skip, "skip");
    options.destructive = destructive;
    options.full = full;
    const std::string problem = selftest::CheckSelection(options);
    if (!problem.empty())
        throw py::value_error(problem);

    // Ctrl-C and close() stop the run after the current step, as they stop a transfer.
    TPyProgress stop(*session, py::none());
    selftest::TReport report = session->Run([&](TBoard& board) {
        selftest::TBoardAccess access(board);
        selftest::TNobody nobody;
        selftest::TReport result = selftest::Run(access, nobody, options, {}, [&] { return stop.AbortRequested(); });
        // What vx5h's report says of where it comes from.
        result.board = board.LinkDescription();
        // The report names the cable it was asked for (or the one the automatic choice took) and
        // the module's version, as vx5h selftest's does; a lab's reports are told apart by them.
        result.cable = connection::ChosenCable(session->Cable());
        result.version = VX5H_VERSION;
        return result;
    });
    stop.RaiseIfStopped();
    if (LinkLost(report)) {
        session->Close();
        py::object error = LinkErrorType()("selftest: the link to the board was lost; the report tells where");
        error.attr("report") = py::cast(report);
        PyErr_SetObject(LinkErrorType().ptr(), error.ptr());
        throw py::error_already_set();
    }
    return report;
}

} // namespace

void AddSelfTest(py::module_& module, py::class_<TSession, TSessionPtr>& board)
{
    g_TestResult = NamedTuple(module, "TestResult", "name result message duration details",
        "One test of the self-test: its name ('sdram.device'), 'PASS', 'FAIL' or 'SKIP', the finding or the "
        "reason, its duration in seconds and further findings.");

    py::class_<selftest::TReport>(
        module, "SelfTestReport", "The self-test's report; true (as a bool) when no test failed.")
        .def_property_readonly("tests", &Tests, "A TestResult for each test, in running order.")
        .def_property_readonly("passed", &selftest::TReport::Passed, "No test failed.")
        .def_readonly("board", &selftest::TReport::board, "The link's description.")
        .def_readonly("duration", &selftest::TReport::seconds, "The whole run in seconds.")
        .def("__bool__", &selftest::TReport::Passed)
        .def("__str__", &selftest::TextReport, "The report for a person, as vx5h selftest prints it.")
        .def("to_json", &selftest::JsonReport, "The report as JSON, with the keys vx5h selftest --json prints.")
        .def("write_junit", &WriteJunit, py::arg("path"), "Writes the report as JUnit XML for a CI system.");

    board.def("selftest", &Run, py::arg("only") = py::none(), py::arg("skip") = py::none(),
        py::arg("destructive") = false, py::arg("full") = false,
        "Runs the board's acceptance test, as vx5h selftest does, and returns its SelfTestReport. RAM contents are "
        "lost; the EEPROM is saved and restored. only/skip: test or group names ('sdram', 'sdram.device'). "
        "destructive: also erase, program and verify FLASH and EPCS. full: every word of the RAMs, not sampled "
        "blocks. A lost link raises LinkError with the report as its `report`.");
}

} // namespace pyvx5h
