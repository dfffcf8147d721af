#include "hook_bridge.hpp"

#include <expected>
#include <new>
#include <string_view>
#include <vector>

#include "convert/exception_text.hpp"
#include "convert/owned_ref.hpp"
#include "convert/text_objects.hpp"
#include "errors/type_messages.hpp"
#include "section_type.hpp"

namespace velmora_py {
namespace {

// Why a step of the call stopped: with `internal` null, a Python error is
// pending and becomes the hook's failure message; otherwise the interpreter
// could not create an object and the parse ends as an internal failure.
struct Stop {
  const char *internal = nullptr;
  bool out_of_memory = false; // a failed C++ allocation, raised as MemoryError
};

Stop internal_stop(const char *description) {
  PyErr_Clear();
  return Stop{description};
}

Stop out_of_memory_stop() {
  PyErr_Clear();
  return Stop{"out of memory", true};
}

// A dict with room for `size` items, so that filling it never resizes it.
PyObject *new_dict(std::size_t size) {
#if PY_VERSION_HEX < 0x030E0000
  return _PyDict_NewPresized(static_cast<Py_ssize_t>(size));
#else
  (void)size;
  return PyDict_New();
#endif
}

// The objects put into a dictionary, key and value of each item in turn,
// in the map's order. While they are held no other object can take one of
// their addresses, which makes comparing them by identity afterwards exact.
class HeldItems {
public:
  HeldItems() = default;
  HeldItems(const HeldItems &) = delete;
  HeldItems &operator=(const HeldItems &) = delete;
  // Strings only, so no finalizer runs; as with OwnedRef, a thread being
  // ended at interpreter exit leaves them to the interpreter.
  ~HeldItems() {
    if (PyThreadState_GetUnchecked() == nullptr) return;
    for (PyObject *object : objects_) Py_DECREF(object);
  }

  void reserve(std::size_t n) { objects_.reserve(n); }
  // Takes over the reference of `object`; room must have been reserved.
  void push(PyObject *object) noexcept { objects_.push_back(object); }
  std::size_t size() const { return objects_.size(); }
  PyObject *operator[](std::size_t i) const { return objects_[i]; }

private:
  std::vector<PyObject *> objects_;
};

// A new dict of the map's items, the keys from `keys` (a str of their own
// when null), every object also held in `held`.
std::expected<OwnedRef, Stop> map_to_dict(const velmora::AttributeMap &map, KeyObjects *keys,
                                          HeldItems &held) {
  OwnedRef dict(new_dict(map.size()));
  if (!dict) return std::unexpected(internal_stop("failed to create a dict"));
  held.reserve(2 * map.size());
  std::size_t position = 0;
  for (const velmora::AttributeMap::Entry &entry : map) {
    PyObject *key =
        keys != nullptr ? keys->new_ref(position++, entry.key) : str_from_utf8(entry.key);
    if (key == nullptr) return std::unexpected(internal_stop("failed to create a str object"));
    held.push(key);
    PyObject *value = str_from_utf8(entry.value);
    if (value == nullptr) return std::unexpected(internal_stop("failed to create a str object"));
    held.push(value);
    if (PyDict_SetItem(dict.get(), key, value) < 0) return std::unexpected(Stop{});
  }
  return dict;
}

// A fresh header dictionary: a copy of the parse's prepared one, which is
// built on first use.
std::expected<OwnedRef, Stop> header_dict(PreparedHeader *prepared,
                                          const velmora::AttributeMap &header) {
  HeldItems held;
  if (prepared == nullptr) return map_to_dict(header, nullptr, held);
  if (!prepared->dict || prepared->source != &header || prepared->size != header.size()) {
    auto built = map_to_dict(header, &prepared->keys, held);
    if (!built) return built;
    prepared->dict = std::move(*built); // a dict of str: no finalizer runs
    prepared->source = &header;
    prepared->size = header.size();
  }
  OwnedRef copy(PyDict_Copy(prepared->dict.get()));
  if (!copy) return std::unexpected(internal_stop("failed to create a dict"));
  return copy;
}

// Whether the dictionary still holds exactly the items it was built with,
// the same objects in the same order: then reading it back would rebuild
// the very map it was made from.
bool holds_exactly(PyObject *dict, const HeldItems &held) {
  bool same = false;
  Py_BEGIN_CRITICAL_SECTION(dict);
  same = static_cast<std::size_t>(PyDict_GET_SIZE(dict)) * 2 == held.size();
  Py_ssize_t pos = 0;
  PyObject *key = nullptr;
  PyObject *value = nullptr;
  for (std::size_t i = 0; same && PyDict_Next(dict, &pos, &key, &value); i += 2)
    same = key == held[i] && value == held[i + 1];
  Py_END_CRITICAL_SECTION();
  return same;
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
    return std::unexpected(out_of_memory_stop());
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
  HookCall(PyObject *callable, PreparedHeader *header, std::string &internal_error,
           bool &out_of_memory)
      : callable_(callable), header_(header), internal_error_(internal_error),
        out_of_memory_(out_of_memory) {}

  // The call with the thread attached; a failed C++ allocation ends it.
  velmora::HookOutcome run_attached(velmora::SectionType type, velmora::AttributeMap &attrs,
                                    const velmora::AttributeMap &header) {
    try {
      return run(type, attrs, header);
    } catch (const std::bad_alloc &) {
      return fail(out_of_memory_stop());
    }
  }

  velmora::HookOutcome fail_internal(const char *description) noexcept {
    try {
      internal_error_ = description;
      return velmora::HookOutcome::Fail(internal_error_);
    } catch (const std::bad_alloc &) {
      internal_error_ = "out of memory"; // short enough to need no allocation
      out_of_memory_ = true;
      return velmora::HookOutcome::Fail({});
    }
  }

private:
  KeyObjects *keys() { return header_ != nullptr ? &header_->keys : nullptr; }

  velmora::HookOutcome run(velmora::SectionType type, velmora::AttributeMap &attrs,
                           const velmora::AttributeMap &header) {
    HeldItems held;
    auto attrs_dict = map_to_dict(attrs, keys(), held);
    if (!attrs_dict) return fail(attrs_dict.error());
    auto header_copy = header_dict(header_, header);
    if (!header_copy) return fail(header_copy.error());
    PyObject *member = section_type_member(type);
    if (member == nullptr) return fail_with_pending_error();

    // Slot 0 is scratch space the callee may use (PY_VECTORCALL_ARGUMENTS_OFFSET).
    PyObject *args[] = {nullptr, member, attrs_dict->get(), header_copy->get()};
    OwnedRef result(
        PyObject_Vectorcall(callable_, args + 1, 3 | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
    velmora::HookOutcome outcome =
        result ? read_back(attrs_dict->get(), held, attrs) : fail_with_pending_error();
    // The hook may have put anything into the dictionaries, and returned
    // anything: their finalizers may run Python code, so they are dropped
    // here, in the order they were made, the call's result last.
    drop(*attrs_dict);
    drop(*header_copy);
    drop(result);
    return outcome;
  }

  // A hook that left `attrs` as it was (the usual case) leaves the map as
  // it was; anything else is read back item by item.
  velmora::HookOutcome read_back(PyObject *attrs_dict, const HeldItems &held,
                                 velmora::AttributeMap &attrs) {
    if (holds_exactly(attrs_dict, held)) return velmora::HookOutcome::Continue();
    if (auto copied = dict_to_map(attrs_dict, attrs); !copied) return fail(copied.error());
    return velmora::HookOutcome::Continue();
  }

  velmora::HookOutcome fail(Stop stop) {
    if (stop.out_of_memory) out_of_memory_ = true;
    return stop.internal != nullptr ? fail_internal(stop.internal) : fail_with_pending_error();
  }

  velmora::HookOutcome fail_with_pending_error() {
    // Only a native callable can return nothing without raising.
    if (!PyErr_Occurred())
      PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    OwnedRef exc(PyErr_GetRaisedException());
    auto message = describe_exception(exc.get());
    drop(exc); // its traceback holds the hook's frames and their objects
    if (!message) return fail_internal(message.error());
    return velmora::HookOutcome::Fail(std::move(*message));
  }

  PyObject *callable_;
  PreparedHeader *header_;
  std::string &internal_error_;
  bool &out_of_memory_;
};

int release_pending(void *object) {
  Py_DECREF(static_cast<PyObject *>(object));
  return 0;
}

} // namespace

PythonHook::PythonHook(PyObject *callable, PreparedHeader *header)
    : callable_(Py_NewRef(callable)), header_(header) {}

void PythonHook::release() { Py_CLEAR(callable_); }

PythonHook::~PythonHook() {
  if (callable_ == nullptr) return;
  if (PyThreadState_GetUnchecked() != nullptr) {
    Py_DECREF(callable_);
    return;
  }
  // A destructor must not attach: at interpreter exit attaching may end the
  // thread by unwinding it, which cannot pass a destructor. The release is
  // handed to the interpreter, which runs it attached; while it is shutting
  // down (or if its queue is full) the reference is left to it.
  if (!Py_IsFinalizing()) (void)Py_AddPendingCall(release_pending, callable_);
}

velmora::HookOutcome PythonHook::call(velmora::SectionType type, velmora::AttributeMap &attrs,
                                      const velmora::AttributeMap &header) {
  HookCall hook_call(callable_, header_, internal_error_, out_of_memory_);
  if (PyThreadState_GetUnchecked() != nullptr) return hook_call.run_attached(type, attrs, header);
  // Taking the lock while the interpreter is finalizing could block the
  // thread for good.
  if (Py_IsFinalizing()) return hook_call.fail_internal("the interpreter is shutting down");
  // Attached and detached from this plain frame, never from a guard object:
  // if the interpreter starts to shut down meanwhile, attaching ends the
  // thread by unwinding it, and no destructor may be on that path.
  PyGILState_STATE state = PyGILState_Ensure();
  velmora::HookOutcome outcome = hook_call.run_attached(type, attrs, header);
  PyGILState_Release(state);
  return outcome;
}

} // namespace velmora_py
