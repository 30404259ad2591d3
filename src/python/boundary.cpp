#include "python/boundary.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mivex::py {

PyObject* bind_input(const char* function_name, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames) {
  if (nargs > 1) {
    PyErr_Format(PyExc_TypeError, "%s() takes 1 positional argument but %zd were given",
                 function_name, nargs);
    return nullptr;
  }
  PyObject* input = nargs == 1 ? args[0] : nullptr;
  Py_ssize_t nkw = kwnames == nullptr ? 0 : PyTuple_Size(kwnames);
  for (Py_ssize_t i = 0; i < nkw; ++i) {
    PyObject* key = PyTuple_GetItem(kwnames, i);
    if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, "input") == 0) {
      if (input != nullptr) {
        PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument 'input'",
                     function_name);
        return nullptr;
      }
      input = args[nargs + i];
    } else {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%S'",
                   function_name, key);
      return nullptr;
    }
  }
  if (input == nullptr) {
    PyErr_Format(PyExc_TypeError, "%s() missing 1 required positional argument: 'input'",
                 function_name);
  }
  return input;
}

namespace {

// The name the type object itself holds (its tp_name, after the last dot for
// static types), read through type's own `__name__` getter so that a
// metaclass redefining `__name__` does not change it. New reference, or
// nullptr with the error set.
PyObject* type_name(PyTypeObject* type) {
  PyObject* attributes = PyObject_GetAttrString(reinterpret_cast<PyObject*>(&PyType_Type), "__dict__");
  if (attributes == nullptr) return nullptr;
  PyObject* getter = PyMapping_GetItemString(attributes, "__name__");
  Py_DECREF(attributes);
  if (getter == nullptr) return nullptr;
  PyObject* name = PyObject_CallMethod(getter, "__get__", "O", reinterpret_cast<PyObject*>(type));
  Py_DECREF(getter);
  return name;
}

}  // namespace

bool borrow_text(PyObject* input, std::string_view& text) {
  if (!PyUnicode_Check(input)) {
    PyObject* full = type_name(Py_TYPE(input));
    if (full == nullptr) return false;
    // The short type name, as type(x).__name__ shows it.
    const char* name = PyUnicode_AsUTF8AndSize(full, nullptr);
    if (name != nullptr) {
      if (const char* dot = std::strrchr(name, '.')) name = dot + 1;
    }
    PyObject* reason = name == nullptr ? nullptr
                       : PyUnicode_FromFormat("'%s' object cannot be converted to '%s'", name, "PyString");
    Py_DECREF(full);
    if (reason == nullptr) return false;
    PyErr_Format(PyExc_TypeError, "argument '%s': %U", "input", reason);
    Py_DECREF(reason);
    return false;
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(input, &size);
  if (data == nullptr) return false;  // UnicodeEncodeError stays as raised
  text = std::string_view(data, static_cast<std::size_t>(size));
  return true;
}

void raise_value_error(std::string_view message) {
  PyObject* text = PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()),
                                        "replace");
  if (text == nullptr) return;  // the decoding error (out of memory) stands
  PyErr_SetObject(PyExc_ValueError, text);
  Py_DECREF(text);
}

PyObject* panic_type() {
  static PyObject* type = nullptr;
  if (type == nullptr) {
    type = PyErr_NewExceptionWithDoc(
        "pyo3_runtime.PanicException",
        "The exception raised when an internal invariant of a solver breaks.\n\n"
        "It derives from BaseException, so `except Exception` does not catch it.",
        PyExc_BaseException, nullptr);
  }
  return type;
}

void raise_panic(const char* message) {
  PyObject* type = panic_type();
  if (type == nullptr) {
    std::fputs("uncaught panic at ffi boundary\n", stderr);
    std::abort();
  }
  PyObject* text = PyUnicode_DecodeUTF8(message, static_cast<Py_ssize_t>(std::strlen(message)),
                                        "replace");
  if (text == nullptr) {
    std::fputs("uncaught panic at ffi boundary\n", stderr);
    std::abort();
  }
  PyErr_SetObject(type, text);
  Py_DECREF(text);
}

namespace {

// Append `name` to the module's `__all__`, creating the list when missing.
bool add_to_all(PyObject* module, PyObject* name) {
  PyObject* all = PyObject_GetAttrString(module, "__all__");
  if (all == nullptr) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
    PyErr_Clear();
    all = PyList_New(0);
    if (all == nullptr) return false;
    if (PyObject_SetAttrString(module, "__all__", all) != 0) {
      Py_DECREF(all);
      return false;
    }
  }
  int rc = PyList_Check(all) ? PyList_Append(all, name) : -1;
  if (rc != 0 && !PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "__all__ must be a list");
  Py_DECREF(all);
  return rc == 0;
}

bool add_function(PyObject* module, PyMethodDef* method) {
  PyObject* module_name = PyModule_GetNameObject(module);
  if (module_name == nullptr) return false;
  PyObject* function = PyCFunction_NewEx(method, module, module_name);
  Py_DECREF(module_name);
  if (function == nullptr) return false;
  PyObject* name = PyObject_GetAttrString(function, "__name__");
  bool ok = name != nullptr && add_to_all(module, name) && PyObject_SetAttr(module, name, function) == 0;
  Py_XDECREF(name);
  Py_DECREF(function);
  return ok;
}

}  // namespace

PyObject* create_module(PyModuleDef& def, PyMethodDef* methods) {
  // One cached module object and one owning interpreter per module definition.
  struct Cache {
    PyModuleDef* def;
    PyObject* module;
    std::int64_t owner;
  };
  static Cache caches[4] = {};
  Cache* cache = nullptr;
  for (Cache& c : caches) {
    if (c.def == &def || c.def == nullptr) {
      cache = &c;
      break;
    }
  }
  if (cache == nullptr) {
    PyErr_SetString(PyExc_SystemError, "too many module definitions");
    return nullptr;
  }
  cache->def = &def;

  std::int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (id == -1) {
    if (!PyErr_Occurred()) {
      PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    }
    return nullptr;
  }
  if (cache->module != nullptr && cache->owner != id) {
    PyErr_SetString(PyExc_ImportError,
                    "mivex does not support sub-interpreters: it can only be imported once per "
                    "process, in the interpreter that imported it first");
    return nullptr;
  }
  if (cache->module != nullptr) {
    Py_INCREF(cache->module);
    return cache->module;
  }

  PyObject* module = PyModule_Create(&def);
  if (module == nullptr) return nullptr;
  for (PyMethodDef* method = methods; method->ml_name != nullptr; ++method) {
    if (!add_function(module, method)) {
      Py_DECREF(module);
      return nullptr;
    }
  }
  cache->owner = id;
  cache->module = module;
  Py_INCREF(module);  // the cache's own reference
  return module;
}

namespace {
bool signal_pending(void*) { return PyErr_CheckSignals() != 0; }
}  // namespace

Cancel signal_cancel() { return Cancel(&signal_pending, nullptr); }

}  // namespace mivex::py
