#include "hook_bridge.hpp"

#include <expected>
#include <new>
#include <string_view>

#include "convert/exception_text.hpp"
#include "convert/owned_ref.hpp"
#include "convert/text_objects.hpp"
#include "errors/type_messages.hpp"
#include "section_type.hpp"

namespace velmora_py {
namespace {

// Holds the interpreter lock for one scope. A thread that is already
// attached keeps its state untouched; otherwise the lock is taken, unless
// the interpreter is finalizing, where taking it could block the thread
// for good.
class Attachment {
public:
  Attachment() {
    if (PyThreadState_GetUnchecked() != nullptr) return;
    if (Py_IsFinalizing()) {
      refused_ = true;
      return;
    }
    state_ = PyGILState_Ensure();
    ensured_ = true;
  }
  ~Attachment() {
    if (ensured_) PyGILState_Release(state_);
  }
  Attachment(const Attachment &) = delete;
  Attachment &operator=(const Attachment &) = delete;

  bool attached() const { return !refused_; }

private:
  PyGILState_STATE state_{};
  bool ensured_ = false;
  bool refused_ = false;
};

// Why a step of the call stopped: with `internal` null, a Python error is
// pending and becomes the hook's failure message; otherwise the interpreter
// could not create an object and the parse ends as an internal failure.
struct Stop {
  const char *internal = nullptr;
};

Stop internal_stop(const char *description) {
  PyErr_Clear();
  return Stop{description};
}

std::expected<OwnedRef, Stop> map_to_dict(const velmora::AttributeMap &map) {
  OwnedRef dict(PyDict_New());
  if (!dict) return std::unexpected(internal_stop("failed to create a dict"));
  for (const velmora::AttributeMap::Entry &entry : map) {
    OwnedRef key(str_from_utf8(entry.key));
    if (!key) return std::unexpected(internal_stop("failed to create a str object"));
    OwnedRef value(str_from_utf8(entry.value));
    if (!value) return std::unexpected(internal_stop("failed to create a str object"));
    if (PyDict_SetItem(dict.get(), key.get(), value.get()) < 0) return std::unexpected(Stop{});
  }
  return dict;
}

// The UTF-8 text of a key or value the hook left; a non-str or a lone
// surrogate leaves its error pending.
std::expected<std::string_view, Stop> text_of(PyObject *object) {
  if (!PyUnicode_Check(object)) {
    raise_not_instance(object, "str");
    return std::unexpected(Stop{});
  }
  Py_ssize_t size = 0;
  const char *utf8 = PyUnicode_AsUTF8AndSize(object, &size);
  if (utf8 == nullptr) return std::unexpected(Stop{});
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

// Must not throw: on a free-threaded build it runs inside the dictionary's
// critical section, which unwinding would leave locked.
std::expected<void, Stop> copy_items(PyObject *dict, velmora::AttributeMap &map) noexcept {
  try {
    Py_ssize_t pos = 0;
    PyObject *key = nullptr;
    PyObject *value = nullptr;
    while (PyDict_Next(dict, &pos, &key, &value)) {
      auto key_text = text_of(key);
      if (!key_text) return std::unexpected(key_text.error());
      auto value_text = text_of(value);
      if (!value_text) return std::unexpected(value_text.error());
      map.insert(*key_text, *value_text);
    }
    return {};
  } catch (const std::bad_alloc &) {
    return std::unexpected(internal_stop("out of memory"));
  }
}

// The map becomes exactly what the dictionary holds, in its order.
std::expected<void, Stop> dict_to_map(PyObject *dict, velmora::AttributeMap &map) {
  map.clear();
  std::expected<void, Stop> result;
  Py_BEGIN_CRITICAL_SECTION(dict);
  result = copy_items(dict, map);
  Py_END_CRITICAL_SECTION();
  return result;
}

// One call of a hook; failures that must end the parse as an internal
// error are recorded into the adapter's description.
class HookCall {
public:
  HookCall(PyObject *callable, std::string &internal_error)
      : callable_(callable), internal_error_(internal_error) {}

  velmora::HookOutcome run(velmora::SectionType type, velmora::AttributeMap &attrs,
                           const velmora::AttributeMap &header) {
    auto attrs_dict = map_to_dict(attrs);
    if (!attrs_dict) return fail(attrs_dict.error());
    auto header_dict = map_to_dict(header);
    if (!header_dict) return fail(header_dict.error());
    PyObject *member = section_type_member(type);
    if (member == nullptr) return fail_with_pending_error();

    // Slot 0 is scratch space the callee may use (PY_VECTORCALL_ARGUMENTS_OFFSET).
    PyObject *args[] = {nullptr, member, attrs_dict->get(), header_dict->get()};
    OwnedRef result(PyObject_Vectorcall(callable_, args + 1, 3 | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                        nullptr));
    if (!result) return fail_with_pending_error();

    if (auto copied = dict_to_map(attrs_dict->get(), attrs); !copied) return fail(copied.error());
    // Released in the order they were made, the call's result last, while
    // the lock is still held: a finalizer may run here.
    attrs_dict->reset();
    header_dict->reset();
    result.reset();
    return velmora::HookOutcome::Continue();
  }

  velmora::HookOutcome fail_internal(const char *description) noexcept {
    try {
      internal_error_ = description;
      return velmora::HookOutcome::Fail(internal_error_);
    } catch (const std::bad_alloc &) {
      internal_error_ = "out of memory"; // short enough to need no allocation
      return velmora::HookOutcome::Fail({});
    }
  }

private:
  velmora::HookOutcome fail(Stop stop) {
    return stop.internal != nullptr ? fail_internal(stop.internal) : fail_with_pending_error();
  }

  velmora::HookOutcome fail_with_pending_error() {
    // Only a native callable can return nothing without raising.
    if (!PyErr_Occurred())
      PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    OwnedRef exc(PyErr_GetRaisedException());
    auto message = describe_exception(exc.get());
    if (!message) return fail_internal(message.error());
    return velmora::HookOutcome::Fail(std::move(*message));
  }

  PyObject *callable_;
  std::string &internal_error_;
};

} // namespace

PythonHook::PythonHook(PyObject *callable) : callable_(Py_NewRef(callable)) {}

PythonHook::~PythonHook() {
  Attachment attachment;
  // During finalization the reference is left to the dying interpreter
  // rather than risking a thread that never returns.
  if (attachment.attached()) Py_DECREF(callable_);
}

velmora::HookOutcome PythonHook::call(velmora::SectionType type, velmora::AttributeMap &attrs,
                                      const velmora::AttributeMap &header) {
  HookCall hook_call(callable_, internal_error_);
  Attachment attachment;
  if (!attachment.attached()) return hook_call.fail_internal("the interpreter is shutting down");
  try {
    return hook_call.run(type, attrs, header);
  } catch (const std::bad_alloc &) {
    PyErr_Clear();
    return hook_call.fail_internal("out of memory");
  }
}

} // namespace velmora_py
