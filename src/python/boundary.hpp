// The module boundary shared by every entry function: argument binding,
// conversion of the text argument, and the mapping of C++ stops to Python
// exceptions. Only this folder includes Python.h.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <string_view>
#include <variant>

#include "core/cancel.hpp"
#include "core/outcome.hpp"

// A fast-call-with-keywords function as a PyMethodDef entry.
#define MIVEX_FASTCALL(f) reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(f))

namespace mivex::py {

// Bind the single parameter `input` of `function_name` (as "solve_sat") from a
// fast call, with the interpreter's usual TypeError wording. Returns a
// borrowed reference, or nullptr with the error set.
PyObject* bind_input(const char* function_name, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames);

// Borrow the UTF-8 contents of `input`, which must be a str. Returns false
// with TypeError (not a str) or UnicodeEncodeError (lone surrogates) set.
bool borrow_text(PyObject* input, std::string_view& text);

// Raise ValueError with `message` whole (it may quote input holding NUL).
void raise_value_error(std::string_view message);

// Raise the internal-stop exception with `message` as its single argument.
void raise_panic(const char* message);

// The exception type for internal stops, created on first use.
PyObject* panic_type();

// A cancellation source that reports pending signals (Ctrl-C) to the solver.
Cancel signal_cancel();

// Create the module from `def` and register `methods` one by one, in table
// order, appending each name to `__all__`. The module is made once per process
// and cached; only the first interpreter that imports it may use it.
PyObject* create_module(PyModuleDef& def, PyMethodDef* methods);

// Run `body` (returning a new reference or nullptr) and translate every C++
// exception it throws into the matching Python exception.
template <class Body>
PyObject* guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const Stop& stop) {
    raise_panic(stop.what());
  } catch (const Interrupted&) {
    if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
  } catch (const MemoryRefusal& refusal) {
    PyErr_SetString(PyExc_MemoryError, refusal.what());
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& other) {
    // Index checks of the standard containers and the like: broken invariants.
    raise_panic(other.what());
  } catch (...) {
    raise_panic("unknown internal error");
  }
  return nullptr;
}

// The common frame of an entry function: bind, convert, solve, build the dict.
template <class Result>
PyObject* run_entry(const char* function_name, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, Outcome<Result> (*solve)(std::string_view, Cancel&),
                    PyObject* (*to_dict)(const Result&)) {
  PyObject* input = bind_input(function_name, args, nargs, kwnames);
  if (input == nullptr) return nullptr;
  std::string_view text;
  if (!borrow_text(input, text)) return nullptr;
  return guarded([&]() -> PyObject* {
    Cancel cancel = signal_cancel();
    Outcome<Result> outcome = solve(text, cancel);
    if (auto* message = std::get_if<ReaderMessage>(&outcome)) {
      raise_value_error(message->text);
      return nullptr;
    }
    return to_dict(std::get<Result>(outcome));
  });
}

}  // namespace mivex::py
