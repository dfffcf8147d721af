#include "parse.hpp"

#include <algorithm>
#include <array>
#include <expected>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.hpp"
#include "convert/convert.hpp"
#include "convert/owned_ref.hpp"
#include "errors/internal_error.hpp"
#include "errors/translate.hpp"
#include "errors/type_messages.hpp"
#include "hook_bridge.hpp"
#include "once_cell.hpp"
#include "velmora/parse_statement.hpp"

namespace velmora_py {
namespace {

constexpr const char *kParameterNames[] = {"statement", "hooks"};
constexpr Parameters kParameters{"parse()", kParameterNames, 1};

// A length reported by the sequence only sizes the list; a huge or lying
// length must not turn into a huge allocation.
constexpr Py_ssize_t kMaxReservedHooks = 1024;

using HookList = std::vector<std::unique_ptr<PythonHook>>;

// The name of collections.abc.Sequence, read once for the refusal message.
// The import and the attribute reads run Python code, which may call parse
// again or wait for another thread, so no lock is held meanwhile.
PyObject *sequence_name() {
  static OnceCell cell;
  PyObject *name = cell.get_first_published([]() -> PyObject * {
    OwnedRef abc(PyImport_ImportModule("collections.abc"));
    if (!abc) return nullptr;
    OwnedRef sequence(PyObject_GetAttrString(abc.get(), "Sequence"));
    if (!sequence) return nullptr;
    OwnedRef name(PyObject_GetAttrString(sequence.get(), "__name__"));
    if (name && !PyUnicode_Check(name.get())) return raise_not_instance(name.get(), "str");
    return name.release();
  });
  if (name == nullptr) return raise_internal_error("failed to look up collections.abc.Sequence");
  return name;
}

bool refuse_non_sequence(PyObject *hooks) {
  PyObject *name = sequence_name();
  if (name == nullptr) return false;
  const char *text = PyUnicode_AsUTF8(name);
  if (text == nullptr) return false;
  raise_not_instance(hooks, text);
  return false;
}

bool collect_hook_items(PyObject *hooks, PreparedHeader &header, HookList &out) {
  if (PyUnicode_Check(hooks)) {
    PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
    return false;
  }
  if (!PySequence_Check(hooks)) return refuse_non_sequence(hooks);
  Py_ssize_t size = PyObject_Size(hooks);
  if (size < 0)
    PyErr_Clear();
  else
    out.reserve(static_cast<std::size_t>(std::min(size, kMaxReservedHooks)));
  OwnedRef iterator(PyObject_GetIter(hooks));
  if (!iterator) return false;
  while (OwnedRef item{PyIter_Next(iterator.get())})
    out.push_back(std::make_unique<PythonHook>(item.get(), &header));
  return !PyErr_Occurred();
}

bool collect_hooks(PyObject *hooks, PreparedHeader &header, HookList &out) {
  if (collect_hook_items(hooks, header, out)) return true;
  add_parameter_note("hooks");
  return false;
}

// The buffer stays owned by `statement`: bytes contents and a str's cached
// UTF-8 form live as long as the object and never change.
bool extract_input(PyObject *statement, std::string_view &out) {
  if (PyUnicode_Check(statement)) {
    Py_ssize_t size = 0;
    if (const char *utf8 = PyUnicode_AsUTF8AndSize(statement, &size)) {
      out = std::string_view(utf8, static_cast<std::size_t>(size));
      return true;
    }
    // Lone surrogates: such a str is refused like any other non-input. Any
    // other failure (memory for the UTF-8 form) is raised as it is.
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return false;
    PyErr_Clear();
  }
  if (PyBytes_Check(statement)) {
    out = std::string_view(PyBytes_AsString(statement),
                           static_cast<std::size_t>(PyBytes_Size(statement)));
    return true;
  }
  PyErr_SetString(PyExc_TypeError, "statement must be bytes or str");
  return false;
}

using CoreResult = std::expected<velmora::Statement, velmora::ParseError>;

// What came back from the core: its result, or nothing when it ran out of
// memory or failed in a way it never reports itself.
struct CoreOutcome {
  std::optional<CoreResult> result;
  const char *failure = nullptr; // set when there is no result
  bool out_of_memory = false;
};

// The documents reach `sections` one by one as they are built, each turned
// into its compact record at once, so the core's list of large Document
// records never exists.
CoreOutcome call_core(std::string_view input, std::span<velmora::SectionHook *const> hooks,
                      CollectedSections &sections) {
  CoreOutcome outcome;
  try {
    outcome.result.emplace(velmora::parse_statement(input, hooks, sections));
  } catch (const std::bad_alloc &) {
    outcome.failure = "out of memory";
    outcome.out_of_memory = true;
  } catch (const std::exception &) {
    outcome.failure = "the parser failed unexpectedly";
  }
  return outcome;
}

// The whole parse without the interpreter lock. Detaching and re-attaching
// are plain calls in this frame, not a guard object's work: at interpreter
// exit CPython ends a thread that tries to re-attach by unwinding it, which
// must not start inside a destructor. Nothing above this frame holds a
// Python reference that such unwinding would release.
CoreOutcome parse_detached(std::string_view input, CollectedSections &sections) {
  PyThreadState *state = PyEval_SaveThread();
  CoreOutcome outcome = call_core(input, {}, sections);
  PyEval_RestoreThread(state);
  return outcome;
}

CoreOutcome run_core(std::string_view input, const HookList &hooks, CollectedSections &sections) {
  if (hooks.empty()) return parse_detached(input, sections);
  std::vector<velmora::SectionHook *> pointers;
  pointers.reserve(hooks.size());
  for (const auto &hook : hooks) pointers.push_back(hook.get());
  return call_core(input, pointers, sections);
}

// The first hook failure that ends the parse as something other than a
// HookError.
const PythonHook *failed_hook(const HookList &hooks) {
  for (const auto &hook : hooks)
    if (hook->has_internal_error()) return hook.get();
  return nullptr;
}

// The hooks are released from this plain frame, with the lock held: a
// callable's finalizer may run Python code.
void release_hooks(HookList &hooks) {
  for (const auto &hook : hooks) hook->release();
  hooks.clear();
}

// Binds the arguments, collects the hooks and takes the input. The argument
// references taken by binding are given back on return: the caller's own
// references keep both arguments alive for the whole call, so nothing in
// the frames above the core holds a reference of its own.
bool prepare_call(PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames,
                  PreparedHeader &header, HookList &hooks, std::string_view &input) {
  std::array<OwnedRef, 2> values;
  if (!bind_vectorcall(kParameters, args, nargs, kwnames, values)) return false;
  PyObject *hooks_arg = values[1].get();
  if (hooks_arg != nullptr && hooks_arg != Py_None && !collect_hooks(hooks_arg, header, hooks))
    return false;
  return extract_input(values[0].get(), input);
}

PyObject *raise_core_failure(const CoreOutcome &outcome, const PythonHook *hook) {
  if (outcome.out_of_memory || (hook != nullptr && hook->out_of_memory())) {
    PyErr_Clear();
    return PyErr_NoMemory();
  }
  if (hook != nullptr) return raise_internal_error(hook->internal_error().c_str());
  return raise_internal_error(outcome.failure);
}

PyObject *parse_call(PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
  PreparedHeader header;
  HookList hooks;
  std::string_view input;
  if (!prepare_call(args, nargs, kwnames, header, hooks, input)) {
    release_hooks(hooks);
    return nullptr;
  }
  CollectedSections sections;
  CoreOutcome outcome = run_core(input, hooks, sections);
  const PythonHook *hook = failed_hook(hooks);
  if (hook != nullptr || !outcome.result) {
    PyObject *raised = raise_core_failure(outcome, hook);
    release_hooks(hooks);
    return raised;
  }
  release_hooks(hooks);
  if (!*outcome.result) return raise_parse_error(outcome.result->error());
  return convert_statement(std::move(**outcome.result), std::move(sections));
}

PyObject *parse(PyObject *, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
  try {
    return parse_call(args, nargs, kwnames);
  } catch (const std::bad_alloc &) {
    // A failed allocation is memory exhaustion, which Python programs
    // handle as MemoryError; only objects the interpreter cannot create
    // are internal failures.
    PyErr_Clear();
    return PyErr_NoMemory();
  }
}

constexpr char kParseDoc[] =
    "parse(statement, hooks=None)\n"
    "--\n"
    "\n"
    "Парсит выписку 1CClientBankExchange из байтов или строки.\n"
    "\n"
    "# Аргументы\n"
    "\n"
    "* `statement` - Сырые байты или строка файла выписки (поддерживает кодировки CP1251 и UTF-8)\n"
    "* `hooks` - Опциональный список callable для модификации секций во время парсинга.\n"
    "  Сигнатура hook: `(section_type: SectionType, attrs: dict, header: dict) -> None`\n"
    "  - `section_type`: тип секции (`SectionType.Document` или `SectionType.Account`)\n"
    "  - attrs: словарь атрибутов секции (можно модифицировать)\n"
    "  - header: словарь заголовка выписки (только для чтения)\n"
    "\n"
    "# Возвращает\n"
    "\n"
    "Объект Statement с атрибутами:\n"
    "- encoding: \"cp1251\" или \"utf-8\"\n"
    "- header: словарь пар ключ-значение заголовка\n"
    "- accounts: словарь номер счёта -> объект Account\n"
    "- documents: список объектов Document\n"
    "- warnings: список кортежей (lineno, message)\n"
    "\n"
    "# Ошибки\n"
    "\n"
    "* `NotStatementError` - Если входные данные не являются выпиской 1C\n"
    "* `EmptyInputError` - Если входные данные пусты\n"
    "* `UnfinishedError` - Если выписка не завершена корректно\n"
    "* `SyntaxError` - Если в выписке синтаксическая ошибка (включая ошибки hooks)\n"
    "* `ParseError` - Для прочих ошибок парсинга";

PyMethodDef parse_def = {
    "parse",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(parse)),
    METH_FASTCALL | METH_KEYWORDS,
    kParseDoc,
};

} // namespace

PyMethodDef *parse_method_def() { return &parse_def; }

} // namespace velmora_py
