#include "python/exact/convert.hpp"

#include <string>

#include "exact/exact_number.hpp"

namespace mivex::python_exact {

using exact::Rational;

namespace {

PyObject* text_of(const Rational& value) {
  const std::string s = value.text();
  return PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size()));
}

PyObject* maybe(const std::optional<Rational>& value) {
  if (value) return text_of(*value);
  Py_INCREF(Py_None);
  return Py_None;
}

PyObject* string_of(const std::string& s) {
  return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace");
}

// A list of texts.
PyObject* list_of(const std::vector<Rational>& values) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(values.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t k = 0; k < values.size(); ++k) {
    PyObject* item = text_of(values[k]);
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SetItem(list, static_cast<Py_ssize_t>(k), item);
  }
  return list;
}

// A list built by `item(k)` (new references) for k < size.
template <class Item>
PyObject* build_list(std::size_t size, Item&& item) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(size));
  if (list == nullptr) return nullptr;
  for (std::size_t k = 0; k < size; ++k) {
    PyObject* value = item(k);
    if (value == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SetItem(list, static_cast<Py_ssize_t>(k), value);
  }
  return list;
}

bool read_text(PyObject* object, std::string& out) {
  if (!PyUnicode_Check(object)) {
    PyErr_SetString(PyExc_TypeError, "model data: expected a str");
    return false;
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);
  if (data == nullptr) return false;
  out.assign(data, static_cast<std::size_t>(size));
  return true;
}

bool read_number(PyObject* object, Rational& out) {
  std::string text;
  if (!read_text(object, text)) return false;
  auto value = exact::parse_number(text);
  if (!value) {
    PyErr_Format(PyExc_ValueError, "model data: '%s' is not a number", text.c_str());
    return false;
  }
  out = std::move(*value);
  return true;
}

bool read_bound(PyObject* object, std::optional<Rational>& out) {
  if (object == Py_None) {
    out.reset();
    return true;
  }
  Rational value;
  if (!read_number(object, value)) return false;
  out = std::move(value);
  return true;
}

bool read_index(PyObject* object, std::size_t limit, std::size_t& out) {
  const Py_ssize_t k = PyLong_AsSsize_t(object);
  if (k == -1 && PyErr_Occurred()) return false;
  if (k < 0 || static_cast<std::size_t>(k) >= limit) {
    PyErr_SetString(PyExc_ValueError, "model data: an index is out of range");
    return false;
  }
  out = static_cast<std::size_t>(k);
  return true;
}

// Item k of a tuple of the given size, borrowed; nullptr with TypeError.
PyObject* field(PyObject* tuple, Py_ssize_t size, Py_ssize_t k) {
  if (!PyTuple_Check(tuple) || PyTuple_Size(tuple) != size) {
    PyErr_SetString(PyExc_TypeError, "model data: malformed tuple");
    return nullptr;
  }
  return PyTuple_GetItem(tuple, k);
}

// f(item) for every item of the list `list`; false on the first failure.
template <class F>
bool each(PyObject* list, F&& f) {
  if (!PyList_Check(list)) {
    PyErr_SetString(PyExc_TypeError, "model data: expected a list");
    return false;
  }
  const Py_ssize_t n = PyList_Size(list);
  for (Py_ssize_t k = 0; k < n; ++k) {
    if (!f(PyList_GetItem(list, k))) return false;
  }
  return true;
}

bool read_column(PyObject* item, exact::Model& model) {
  exact::Column c;
  if (field(item, 5, 0) == nullptr || !read_text(field(item, 5, 0), c.name)) return false;
  if (!read_bound(field(item, 5, 1), c.lower) || !read_bound(field(item, 5, 2), c.upper)) return false;
  const int integer = PyObject_IsTrue(field(item, 5, 3));
  if (integer < 0 || !read_number(field(item, 5, 4), c.cost)) return false;
  c.integer = integer == 1;
  model.columns.push_back(std::move(c));
  return true;
}

bool read_row(PyObject* item, exact::Model& model) {
  exact::Row r;
  if (field(item, 3, 0) == nullptr || !read_text(field(item, 3, 0), r.name)) return false;
  if (!read_bound(field(item, 3, 1), r.lower) || !read_bound(field(item, 3, 2), r.upper)) return false;
  model.rows.push_back(std::move(r));
  return true;
}

bool read_entry(PyObject* item, exact::Model& model) {
  exact::MatrixEntry e;
  if (field(item, 3, 0) == nullptr) return false;
  if (!read_index(field(item, 3, 0), model.rows.size(), e.row)) return false;
  if (!read_index(field(item, 3, 1), model.columns.size(), e.column)) return false;
  if (!read_number(field(item, 3, 2), e.value)) return false;
  if (!e.value.is_zero()) model.entries.push_back(std::move(e));
  return true;
}

}  // namespace

PyObject* model_to_python(const exact::Model& model) {
  PyObject* columns = build_list(model.columns.size(), [&](std::size_t j) {
    const exact::Column& c = model.columns[j];
    return Py_BuildValue("(NNNON)", string_of(c.name), maybe(c.lower), maybe(c.upper),
                         c.integer ? Py_True : Py_False, text_of(c.cost));
  });
  PyObject* rows = build_list(model.rows.size(), [&](std::size_t i) {
    const exact::Row& r = model.rows[i];
    return Py_BuildValue("(NNN)", string_of(r.name), maybe(r.lower), maybe(r.upper));
  });
  PyObject* entries = build_list(model.entries.size(), [&](std::size_t k) {
    const exact::MatrixEntry& e = model.entries[k];
    return Py_BuildValue("(nnN)", static_cast<Py_ssize_t>(e.row), static_cast<Py_ssize_t>(e.column),
                         text_of(e.value));
  });
  if (columns == nullptr || rows == nullptr || entries == nullptr) {
    Py_XDECREF(columns);
    Py_XDECREF(rows);
    Py_XDECREF(entries);
    return nullptr;
  }
  return Py_BuildValue("(NONNNN)", string_of(model.name), model.maximize ? Py_True : Py_False,
                       text_of(model.objective_constant), columns, rows, entries);
}

bool model_from_python(PyObject* data, exact::Model& model) {
  if (field(data, 6, 0) == nullptr || !read_text(field(data, 6, 0), model.name)) return false;
  const int maximize = PyObject_IsTrue(field(data, 6, 1));
  if (maximize < 0 || !read_number(field(data, 6, 2), model.objective_constant)) return false;
  model.maximize = maximize == 1;
  return each(field(data, 6, 3), [&](PyObject* item) { return read_column(item, model); }) &&
         each(field(data, 6, 4), [&](PyObject* item) { return read_row(item, model); }) &&
         each(field(data, 6, 5), [&](PyObject* item) { return read_entry(item, model); });
}

// The same, or None.
PyObject* list_of(const std::optional<std::vector<Rational>>& values) {
  if (values) return list_of(*values);
  Py_INCREF(Py_None);
  return Py_None;
}

PyObject* answer_to_python(const exact::Answer& a) {
  // A model without columns has an empty point.
  using Status = exact::Answer::Status;
  const bool has_point = a.status == Status::Optimal || a.status == Status::Feasible || a.ray.has_value();
  return Py_BuildValue("(sNNNNNNNKN)", exact::status_word(a.status), maybe(a.objective),
                       has_point ? list_of(a.x) : list_of(std::nullopt),
                       list_of(a.duals), list_of(a.reduced_costs), list_of(a.farkas), list_of(a.ray),
                       maybe(a.bound), static_cast<unsigned long long>(a.nodes), string_of(a.message));
}

}  // namespace mivex::python_exact
