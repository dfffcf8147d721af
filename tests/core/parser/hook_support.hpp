#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "velmora/section_hook.hpp"

namespace velmora::testing {

// A hook that runs a test's function and records what each call was given.
class ScriptedHook : public SectionHook {
public:
  using Fn = std::function<HookOutcome(SectionType, AttributeMap &, const AttributeMap &)>;

  struct Call {
    SectionType type;
    AttributeMap attrs; // as the hook received them
    AttributeMap header;
  };

  explicit ScriptedHook(Fn fn = {}) : fn_(std::move(fn)) {}

  HookOutcome call(SectionType type, AttributeMap &attrs, const AttributeMap &header) override {
    calls.push_back(Call{type, attrs, header});
    return fn_ ? fn_(type, attrs, header) : HookOutcome::Continue();
  }

  std::vector<Call> calls;

private:
  Fn fn_;
};

} // namespace velmora::testing
