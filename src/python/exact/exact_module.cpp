// The module `_mivex_exact` (in mivex's extension file, under its own init
// function), the compiled half of the `mivex_exact`
// package (which binds the arguments, reads files and checks answers in
// Python). Unlike `mivex`, a solve releases the GIL: threads solve side by
// side, and the solve takes the GIL back only to look for pending signals.
#include <chrono>
#include <exception>
#include <optional>

#include "exact/lowering.hpp"
#include "exact/mps_reader.hpp"
#include "exact/solve_model.hpp"
#include "python/exact/convert.hpp"
#include "exact/lp_text_model.hpp"

namespace {

using mivex::Cancel;
using mivex::py::guarded;

PyObject* read_mps(PyObject*, PyObject* args) {
  const char* data = nullptr;
  Py_ssize_t size = 0;
  if (!PyArg_ParseTuple(args, "s#:read_mps", &data, &size)) return nullptr;
  return guarded([&]() -> PyObject* {
    mivex::exact::MpsRead read = mivex::exact::read_mps(std::string_view(data, static_cast<std::size_t>(size)));
    if (auto* message = std::get_if<std::string>(&read)) {
      mivex::py::raise_value_error(*message);
      return nullptr;
    }
    return mivex::python_exact::model_to_python(std::get<mivex::exact::Model>(read));
  });
}

PyObject* read_lp_text(PyObject*, PyObject* args) {
  const char* data = nullptr;
  Py_ssize_t size = 0;
  if (!PyArg_ParseTuple(args, "s#:read_lp_text", &data, &size)) return nullptr;
  return guarded([&]() -> PyObject* {
    auto read = mivex::exact::lp_text_model(std::string_view(data, static_cast<std::size_t>(size)));
    if (auto* message = std::get_if<std::string>(&read)) {
      mivex::py::raise_value_error(*message);
      return nullptr;
    }
    return mivex::python_exact::model_to_python(std::get<mivex::exact::Model>(read));
  });
}

// Polled by the solve without the GIL: every 50 ms it takes the GIL back
// and runs the signal handlers (Ctrl-C raises KeyboardInterrupt there).
struct SignalPoll {
  PyThreadState* state;
  std::chrono::steady_clock::time_point last;
};

bool signal_pending(void* context) {
  auto* poll = static_cast<SignalPoll*>(context);
  const auto now = std::chrono::steady_clock::now();
  if (now - poll->last < std::chrono::milliseconds(50)) return false;
  poll->last = now;
  PyEval_RestoreThread(poll->state);
  const bool pending = PyErr_CheckSignals() != 0;
  poll->state = PyEval_SaveThread();
  return pending;
}

// The answer of a solve made without the GIL; exceptions are rethrown
// once the GIL is held again.
mivex::exact::Answer solve_released(const mivex::exact::Model& model, const mivex::exact::Limits& limits) {
  SignalPoll poll{PyEval_SaveThread(), std::chrono::steady_clock::now()};
  Cancel cancel(&signal_pending, &poll);
  std::optional<mivex::exact::Answer> answer;
  std::exception_ptr error;
  try {
    answer = mivex::exact::solve_model(model, limits, cancel);
  } catch (...) {
    error = std::current_exception();
  }
  PyEval_RestoreThread(poll.state);
  if (error) std::rethrow_exception(error);
  return std::move(*answer);
}

bool read_limits(PyObject* nodes, PyObject* seconds, mivex::exact::Limits& limits) {
  if (nodes != Py_None) {
    const unsigned long long n = PyLong_AsUnsignedLongLong(nodes);
    if (n == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
    limits.nodes = n;
  }
  if (seconds != Py_None) {
    const double s = PyFloat_AsDouble(seconds);
    if (s == -1.0 && PyErr_Occurred()) return false;
    limits.seconds = s;
  }
  return true;
}

PyObject* solve(PyObject*, PyObject* args) {
  PyObject* data = nullptr;
  PyObject* nodes = nullptr;
  PyObject* seconds = nullptr;
  if (!PyArg_ParseTuple(args, "OOO:solve", &data, &nodes, &seconds)) return nullptr;
  mivex::exact::Model model;
  mivex::exact::Limits limits;
  if (!mivex::python_exact::model_from_python(data, model) || !read_limits(nodes, seconds, limits)) return nullptr;
  return guarded([&]() -> PyObject* {
    return mivex::python_exact::answer_to_python(solve_released(model, limits));
  });
}

PyMethodDef methods[] = {
    {"read_mps", read_mps, METH_VARARGS, "read_mps(text) -> model data"},
    {"read_lp_text", read_lp_text, METH_VARARGS, "read_lp_text(text) -> model data"},
    {"solve", solve, METH_VARARGS, "solve(model data, node_limit, time_limit) -> answer data"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {PyModuleDef_HEAD_INIT, "_mivex_exact", "The compiled half of mivex_exact.", -1,
                          nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__mivex_exact() { return mivex::py::create_module(module_def, methods); }
