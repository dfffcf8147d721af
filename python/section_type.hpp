#pragma once

#include <Python.h>

#include "velmora/section_hook.hpp"

namespace velmora_py {

// The Python class velmora_py.SectionType (borrowed, process-lifetime).
PyTypeObject *section_type_type();

// The shared member instance for a core section type (borrowed,
// process-lifetime); the same object as SectionType.Document / .Account.
PyObject *section_type_member(velmora::SectionType type);

} // namespace velmora_py
