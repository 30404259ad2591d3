#include "python/results.hpp"

#include <new>
#include <string>

namespace mivex::py {

namespace {

// A new reference to the Python form of `value`; throws on allocation failure.
PyObject* value_to_py(const Value& value) {
  PyObject* object = nullptr;
  switch (value.tag()) {
    case Value::Tag::Bool: object = PyBool_FromLong(value.as_bool() ? 1 : 0); break;
    case Value::Tag::Int: object = PyLong_FromLongLong(value.as_int()); break;
    case Value::Tag::Float: object = PyFloat_FromDouble(value.as_float()); break;
    case Value::Tag::BigInt: object = PyLong_FromString(value.as_decimal().c_str(), nullptr, 10); break;
  }
  if (object == nullptr) throw std::bad_alloc();
  return object;
}

// Insert a new reference under `key`, stealing it. Returns false with the error set.
bool insert(PyObject* dict, const char* key, PyObject* value) {
  int rc = PyDict_SetItemString(dict, key, value);
  Py_DECREF(value);
  return rc == 0;
}

PyObject* status_dict(const std::string& status) {
  PyObject* dict = PyDict_New();
  if (dict == nullptr) throw std::bad_alloc();
  PyObject* word = PyUnicode_FromStringAndSize(status.data(), static_cast<Py_ssize_t>(status.size()));
  if (word == nullptr) {
    Py_DECREF(dict);
    throw std::bad_alloc();
  }
  if (!insert(dict, "status", word)) {
    Py_DECREF(dict);
    return nullptr;
  }
  return dict;
}

// Add the model under "model"; on failure releases the dict and returns nullptr.
PyObject* with_model(PyObject* dict, const Assignment& model) {
  PyObject* py_model;
  try {
    py_model = model_to_py(model.entries());
  } catch (...) {
    Py_DECREF(dict);
    throw;
  }
  if (!insert(dict, "model", py_model)) {
    Py_DECREF(dict);
    return nullptr;
  }
  return dict;
}

}  // namespace

PyObject* model_to_py(const std::vector<Assignment::Entry>& entries) {
  PyGILState_STATE gil = PyGILState_Ensure();
  PyObject* dict = PyDict_New();
  if (dict == nullptr) {
    PyGILState_Release(gil);
    throw std::bad_alloc();
  }
  std::string key;
  for (const auto& [var, value] : entries) {
    key = "x" + std::to_string(var);
    PyObject* py_key = PyUnicode_FromStringAndSize(key.data(), static_cast<Py_ssize_t>(key.size()));
    PyObject* py_value = nullptr;
    if (py_key != nullptr) {
      try {
        py_value = value_to_py(value);
      } catch (...) {
        py_value = nullptr;
      }
    }
    if (py_key == nullptr || py_value == nullptr) {
      Py_XDECREF(py_key);
      Py_DECREF(dict);
      PyGILState_Release(gil);
      throw std::bad_alloc();
    }
    if (PyDict_SetItem(dict, py_key, py_value) != 0) PyErr_Clear();
    Py_DECREF(py_key);
    Py_DECREF(py_value);
  }
  PyGILState_Release(gil);
  return dict;
}

PyObject* lp_result_dict(const LpResult& result) {
  PyObject* dict = status_dict(result.status());
  if (dict == nullptr) return nullptr;
  switch (result.kind()) {
    case LpResult::Kind::Optimal: {
      dict = with_model(dict, result.assignment());
      if (dict == nullptr) return nullptr;
      PyObject* objective = PyFloat_FromDouble(result.objective());
      if (objective == nullptr) {
        Py_DECREF(dict);
        throw std::bad_alloc();
      }
      if (!insert(dict, "objective", objective)) {
        Py_DECREF(dict);
        return nullptr;
      }
      return dict;
    }
    case LpResult::Kind::Feasible: return with_model(dict, result.assignment());
    default: return dict;
  }
}

PyObject* solver_result_dict(const SolverResult& result) {
  if (!result.is_sat()) return status_dict("UNSAT");
  PyObject* dict = status_dict("SAT");
  if (dict == nullptr) return nullptr;
  return with_model(dict, result.assignment());
}

}  // namespace mivex::py
