#include "parse.hpp"

#include <algorithm>
#include <array>
#include <expected>
#include <memory>
#include <new>
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
PyObject *sequence_name() {
  static OnceCell cell;
  PyObject *name = cell.get([]() -> PyObject * {
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

bool collect_hook_items(PyObject *hooks, HookList &out) {
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
    out.push_back(std::make_unique<PythonHook>(item.get()));
  return !PyErr_Occurred();
}

bool collect_hooks(PyObject *hooks, HookList &out) {
  if (collect_hook_items(hooks, out)) return true;
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
    PyErr_Clear(); // lone surrogates: such a str is refused like any other non-input
  }
  if (PyBytes_Check(statement)) {
    out = std::string_view(PyBytes_AsString(statement),
                           static_cast<std::size_t>(PyBytes_Size(statement)));
    return true;
  }
  PyErr_SetString(PyExc_TypeError, "statement must be bytes or str");
  return false;
}

// Detaches the thread from the interpreter for one scope; unwinding
// re-attaches it too.
class DetachedScope {
public:
  DetachedScope() : state_(PyEval_SaveThread()) {}
  ~DetachedScope() { PyEval_RestoreThread(state_); }
  DetachedScope(const DetachedScope &) = delete;
  DetachedScope &operator=(const DetachedScope &) = delete;

private:
  PyThreadState *state_;
};

std::expected<velmora::Statement, velmora::ParseError> run_core(std::string_view input,
                                                                const HookList &hooks) {
  if (hooks.empty()) {
    DetachedScope detached;
    return velmora::parse_statement(input);
  }
  std::vector<velmora::SectionHook *> pointers;
  pointers.reserve(hooks.size());
  for (const auto &hook : hooks) pointers.push_back(hook.get());
  return velmora::parse_statement(input, pointers);
}

std::string internal_failure(const HookList &hooks) {
  for (const auto &hook : hooks)
    if (hook->has_internal_error()) return hook->internal_error();
  return {};
}

PyObject *parse_call(PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
  std::array<OwnedRef, 2> values;
  if (!bind_vectorcall(kParameters, args, nargs, kwnames, values)) return nullptr;
  HookList hooks;
  PyObject *hooks_arg = values[1].get();
  if (hooks_arg != nullptr && hooks_arg != Py_None && !collect_hooks(hooks_arg, hooks))
    return nullptr;
  std::string_view input;
  if (!extract_input(values[0].get(), input)) return nullptr;

  auto result = run_core(input, hooks);
  std::string internal = internal_failure(hooks);
  hooks.clear();
  if (!internal.empty()) return raise_internal_error(internal.c_str());
  if (!result) return raise_parse_error(result.error());
  return convert_statement(std::move(*result));
}

PyObject *parse(PyObject *, PyObject *const *args, Py_ssize_t nargs, PyObject *kwnames) {
  try {
    return parse_call(args, nargs, kwnames);
  } catch (const std::bad_alloc &) {
    return raise_internal_error("out of memory");
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
