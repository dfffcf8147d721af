#pragma once

#include <cstdint>
#include <string>

#include "velmora/model/attribute_map.hpp"

namespace velmora {

// The two section kinds that hooks are called for.
enum class SectionType : std::uint8_t { Document = 0, Account = 1 };

// What a hook tells the reader: go on, or stop the parse with a message.
class HookOutcome {
public:
  static HookOutcome Continue() { return HookOutcome(false, {}); }
  static HookOutcome Fail(std::string message) { return HookOutcome(true, std::move(message)); }

  bool failed() const { return failed_; }
  const std::string &message() const { return message_; }
  std::string take_message() { return std::move(message_); }

private:
  HookOutcome(bool failed, std::string message) : failed_(failed), message_(std::move(message)) {}
  bool failed_;
  std::string message_;
};

// A caller-supplied hook, called at each section's closing line with the
// section's attributes (which it may change) and the header (read only).
class SectionHook {
public:
  virtual ~SectionHook() = default;
  virtual HookOutcome call(SectionType type, AttributeMap &attrs, const AttributeMap &header) = 0;
};

} // namespace velmora
