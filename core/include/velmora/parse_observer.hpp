#pragma once

#include <cstdint>
#include <string_view>

#include "velmora/section_hook.hpp"

namespace velmora {

// Sees the lines of a statement as the reader accepts them, before any hook
// or record building looks at them: every header line (repeated keys
// included) and every attribute line of every section, then each section's
// closing line. It cannot change the parse; a parse without an observer
// does no extra work. The views are valid only for the duration of a call.
class ParseObserver {
public:
  virtual ~ParseObserver() = default;
  virtual void header_attribute(std::uint64_t lineno, std::string_view key,
                                std::string_view value) = 0;
  virtual void section_attribute(SectionType type, std::uint64_t lineno, std::string_view key,
                                 std::string_view value) = 0;
  // Called at the closing line, before the hooks run and the section is
  // built; a document section that then fails to build leaves a warning
  // with this line number.
  virtual void section_closed(SectionType type, std::uint64_t lineno) = 0;
};

} // namespace velmora
